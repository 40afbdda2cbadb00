#include "core/platform/Clock.h"

#include "core/platform/Context.h"

#include <cstdlib>
#include <unistd.h>

namespace Sweepora::Core {

QDateTime Clock::now()
{
    return Context::current().now();
}

void Clock::setFixed(std::optional<QDateTime> moment)
{
    Context::current().setFixedNow(std::move(moment));
}

void Clock::pinLocalTimeZone()
{
    constexpr const char* kZoneFile = "/etc/localtime";
    if (std::getenv("TZ") == nullptr && ::access(kZoneFile, R_OK) == 0)
        ::setenv("TZ", ":/etc/localtime", 0);
}

} // namespace Sweepora::Core
