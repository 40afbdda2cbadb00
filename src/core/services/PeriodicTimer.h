#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace Sweepora::Core {

// Calls back at a fixed period on the thread that started it, until it is destroyed. The update
// checker's daily loop runs on one, so tests can hand it a timer they fire themselves.
class PeriodicTimer
{
public:
    virtual ~PeriodicTimer() = default;

    // Starts (or restarts) the period; `tick` runs at the end of each one.
    virtual void start(std::chrono::milliseconds period, std::function<void()> tick) = 0;

    // A timer on the steady clock, without the tolerance Qt gives coarse timers (5% of a day
    // would be more than an hour).
    static std::unique_ptr<PeriodicTimer> create();
};

} // namespace Sweepora::Core
