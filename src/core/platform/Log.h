#pragma once

#include <QString>
#include <functional>

namespace Sweepora::Core {

// One line per message on standard output, flushed at once: another program may be
// reading the log while Sweepora runs. Thread-safe; the sink belongs to the installed context.
class Log
{
public:
    static void line(const QString& text);
    // Tests capture the lines; a null sink restores standard output.
    static void setSink(std::function<void(const QString&)> sink);
    // The command line keeps standard output for its own output and sends the log to standard error.
    static void useStandardError(bool on);
};

} // namespace Sweepora::Core
