#include "core/trash/ProtectedPlacesViewModel.h"

#include "core/platform/FolderPicker.h"
#include "core/platform/PlatformLayout.h"
#include "core/trash/ProtectedPlaces.h"

#include <QPointer>

namespace Sweepora::Core {

ProtectedPlacesViewModel::ProtectedPlacesViewModel(QObject* parent) : QObject(parent)
{
    m_paths = ProtectedPlaces::userPaths();
}

void ProtectedPlacesViewModel::add()
{
    FolderPicker* picker = FolderPicker::current();
    if (picker == nullptr)
        return;
    FolderPickerRequest request;
    request.title = QStringLiteral("添加到保护名单");
    request.message = QStringLiteral("选择的文件夹及其中的一切都不会被清理。");
    request.prompt = QStringLiteral("保护此文件夹");
    request.directory = PlatformLayout::current().home;
    picker->pickFolder(request, [self = QPointer<ProtectedPlacesViewModel>(this)](std::optional<FolderUrl> chosen) {
        if (self.isNull() || !chosen)
            return;
        ProtectedPlaces::addUserPath(chosen->path());
        self->reload();
    });
}

void ProtectedPlacesViewModel::remove(const QString& path)
{
    if (ProtectedPlaces::removeUserPath(path))
        reload();
}

void ProtectedPlacesViewModel::reload()
{
    const QStringList paths = ProtectedPlaces::userPaths();
    if (paths == m_paths)
        return;
    m_paths = paths;
    emit pathsChanged();
}

} // namespace Sweepora::Core
