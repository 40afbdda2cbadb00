#pragma once

#include "core/platform/Log.h"

#include <QMutex>
#include <QStringList>

#include <memory>

namespace Sweepora::Test {

// Collects the log lines written while it lives, from any thread (engines log from their workers).
class LogCapture
{
public:
    LogCapture()
    {
        Core::Log::setSink([state = m_state](const QString& line) {
            QMutexLocker lock(&state->mutex);
            state->lines.append(line);
        });
    }
    ~LogCapture() { Core::Log::setSink(nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const
    {
        QMutexLocker lock(&m_state->mutex);
        return m_state->lines;
    }

private:
    struct State
    {
        QMutex mutex;
        QStringList lines;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace Sweepora::Test
