#include "core/services/PeriodicTimer.h"

#include "core/platform/Clock.h"

#include <QTimer>

namespace Sweepora::Core {

namespace {

class WallClockTimer final : public PeriodicTimer
{
public:
    explicit WallClockTimer(std::chrono::milliseconds poll) : m_poll(poll) {}

    void start(std::chrono::milliseconds period, std::function<void()> tick) override
    {
        m_period = period;
        m_tick = std::move(tick);
        m_due = Clock::now().addMSecs(period.count());
        m_timer.disconnect();
        m_timer.setTimerType(Qt::CoarseTimer);
        m_timer.callOnTimeout([this] { check(); });
        m_timer.start(std::min(m_poll, period));
    }

private:
    void check()
    {
        const QDateTime now = Clock::now();
        if (now < m_due)
            return;
        // Counted from now: a week asleep gives one check, not seven.
        m_due = now.addMSecs(m_period.count());
        if (m_tick)
            m_tick();
    }

    std::chrono::milliseconds m_poll;
    std::chrono::milliseconds m_period{0};
    std::function<void()> m_tick;
    QDateTime m_due;
    QTimer m_timer;
};

} // namespace

std::unique_ptr<PeriodicTimer> PeriodicTimer::create(std::chrono::milliseconds poll)
{
    return std::make_unique<WallClockTimer>(poll);
}

} // namespace Sweepora::Core
