#include "platform/Clock.h"

#include <QMutex>
#include <QMutexLocker>

namespace Sweepora::Core {
namespace {
QMutex g_mutex;
std::optional<QDateTime> g_fixed;
} // namespace

QDateTime Clock::now()
{
    QMutexLocker lock(&g_mutex);
    return g_fixed ? *g_fixed : QDateTime::currentDateTime();
}

void Clock::setFixed(std::optional<QDateTime> moment)
{
    QMutexLocker lock(&g_mutex);
    g_fixed = std::move(moment);
}

} // namespace Sweepora::Core
