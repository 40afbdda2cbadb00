#include "platform/FolderPicker.h"

#include <QMutex>
#include <QMutexLocker>

namespace Sweepora::Core {
namespace {
QMutex g_mutex;
std::shared_ptr<FolderPicker> g_picker;
} // namespace

FolderPicker* FolderPicker::current()
{
    QMutexLocker lock(&g_mutex);
    return g_picker.get();
}

void FolderPicker::setCurrent(std::shared_ptr<FolderPicker> picker)
{
    QMutexLocker lock(&g_mutex);
    g_picker = std::move(picker);
}

} // namespace Sweepora::Core
