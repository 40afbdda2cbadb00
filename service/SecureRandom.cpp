#include "SecureRandom.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#ifdef __linux__
#include <sys/random.h>
#endif

namespace Sweepora::Service {
namespace {

std::optional<std::uint32_t> below10000()
{
#ifdef __linux__
    // Rejection sampling keeps every code equally likely: 65536 is not a multiple of 10000.
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::uint16_t value = 0;
        const ssize_t got = getrandom(&value, sizeof value, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got != static_cast<ssize_t>(sizeof value))
            return std::nullopt;
        if (value < 60000)
            return value % 10000;
    }
    return std::nullopt;
#else
    return arc4random_uniform(10000);
#endif
}

} // namespace

std::optional<QString> SecureRandom::fourDigitCode()
{
    const std::optional<std::uint32_t> value = below10000();
    if (!value)
        return std::nullopt;
    return QStringLiteral("%1").arg(*value, 4, 10, QLatin1Char('0'));
}

} // namespace Sweepora::Service
