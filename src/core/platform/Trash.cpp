#include "platform/Trash.h"

#include <QMutex>
#include <QMutexLocker>

namespace Sweepora::Core {
namespace {

class UnavailableTrash final : public Trash
{
public:
    Result trashItem(const QString&) override { return {false, QStringLiteral("废纸篓不可用"), {}}; }
};

QMutex g_mutex;
std::shared_ptr<Trash> g_current;

} // namespace

Trash& Trash::current()
{
    QMutexLocker lock(&g_mutex);
    if (!g_current)
        g_current = std::make_shared<UnavailableTrash>();
    return *g_current;
}

void Trash::setCurrent(std::shared_ptr<Trash> trash)
{
    QMutexLocker lock(&g_mutex);
    g_current = std::move(trash);
}

} // namespace Sweepora::Core
