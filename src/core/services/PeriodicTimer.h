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

    // A timer that counts the period on the wall clock (Clock::now()), looking every `poll`: a
    // timer's own count stops while the machine sleeps, so a day-long one drifts by every
    // suspend. After a resume the overdue tick comes within one poll, once.
    static std::unique_ptr<PeriodicTimer> create(std::chrono::milliseconds poll = std::chrono::minutes(1));
};

} // namespace Sweepora::Core
