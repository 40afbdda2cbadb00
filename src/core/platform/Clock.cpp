#include "platform/Clock.h"

#include <QMutex>
#include <QMutexLocker>

#include <cstdlib>
#include <unistd.h>

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

void Clock::pinLocalTimeZone()
{
    constexpr const char* kZoneFile = "/etc/localtime";
    if (std::getenv("TZ") == nullptr && ::access(kZoneFile, R_OK) == 0)
        ::setenv("TZ", ":/etc/localtime", 0);
}

} // namespace Sweepora::Core
