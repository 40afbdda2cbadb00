#include "ui/components/UrlOpener.h"

#include "core/platform/PlatformWords.h"

#include <QDesktopServices>
#include <QMessageBox>

namespace Sweepora::Ui {
namespace {

std::function<bool(const QUrl&)>& opener()
{
    static std::function<bool(const QUrl&)> current;
    return current;
}

} // namespace

bool openUrl(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    if (opener())
        return opener()(url);
    return QDesktopServices::openUrl(url);
}

void setUrlOpener(std::function<bool(const QUrl&)> replacement)
{
    opener() = std::move(replacement);
}

void sayNoFileManager(QWidget* parent, const QString& path)
{
    auto* box =
        new QMessageBox(QMessageBox::Information, QStringLiteral("无法打开") + Core::PlatformWords::fileManager(),
                        QStringLiteral("没有找到可以打开文件夹的") + Core::PlatformWords::fileManager() +
                            QStringLiteral("。位置：%1").arg(path),
                        QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("noFileManager"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void openFolder(QWidget* parent, const QString& folder)
{
    if (!openUrl(QUrl::fromLocalFile(folder)))
        sayNoFileManager(parent, folder);
}

} // namespace Sweepora::Ui
