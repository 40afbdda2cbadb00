#include "core/platform/Log.h"

#include "core/platform/Context.h"

namespace Sweepora::Core {

void Log::line(const QString& text)
{
    Context::current().logLine(text);
}

void Log::setSink(std::function<void(const QString&)> sink)
{
    Context::current().setLogSink(std::move(sink));
}

void Log::useStandardError(bool on)
{
    Context::current().useStandardError(on);
}

} // namespace Sweepora::Core
