#include "services/PeriodicTimer.h"

#include <QTimer>

namespace Sweepora::Core {

namespace {

class QtPeriodicTimer final : public PeriodicTimer
{
public:
    void start(std::chrono::milliseconds period, std::function<void()> tick) override
    {
        m_timer.disconnect();
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.callOnTimeout(std::move(tick));
        m_timer.start(period);
    }

private:
    QTimer m_timer;
};

} // namespace

std::unique_ptr<PeriodicTimer> PeriodicTimer::create()
{
    return std::make_unique<QtPeriodicTimer>();
}

} // namespace Sweepora::Core
