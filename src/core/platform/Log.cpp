#include "platform/Log.h"

#include <QMutex>
#include <QMutexLocker>
#include <cstdio>

namespace Sweepora::Core {
namespace {
QMutex g_mutex;
std::function<void(const QString&)> g_sink;
bool g_stderr = false;
} // namespace

void Log::line(const QString& text)
{
    QMutexLocker lock(&g_mutex);
    if (g_sink) {
        g_sink(text);
        return;
    }
    QByteArray bytes = text.toUtf8();
    bytes.replace('\n', "\\n"); // one message, one line
    bytes.append('\n');
    FILE* out = g_stderr ? stderr : stdout;
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), out);
    std::fflush(out);
}

void Log::setSink(std::function<void(const QString&)> sink)
{
    QMutexLocker lock(&g_mutex);
    g_sink = std::move(sink);
}

void Log::useStandardError(bool on)
{
    QMutexLocker lock(&g_mutex);
    g_stderr = on;
}

} // namespace Sweepora::Core
