#pragma once

#include <QDateTime>
#include <optional>

namespace Sweepora::Core {

// The current moment, replaceable so that age rules can be tested and the command line's
// --now can count from a fixed moment. The fixed moment belongs to the installed context.
class Clock
{
public:
    static QDateTime now();
    static void setFixed(std::optional<QDateTime> moment);

    // With TZ unset, every local-time conversion reads the system zone file again (two stats
    // a date: thousands for a list of found files). Naming that same file in TZ makes it read
    // once. Call at start-up, before any thread runs; a TZ already set is left alone.
    static void pinLocalTimeZone();
};

} // namespace Sweepora::Core
