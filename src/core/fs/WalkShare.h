#pragma once

#include <atomic>
#include <limits>

namespace Sweepora::Core {

// What the walks of one context share (see Context::walks()): the threads they added when they
// found the disk cold, held to a budget for all of them at once, and when one last found it cold.
struct WalkShare
{
    std::atomic<int> addedThreads{0};
    std::atomic<int> walksWidened{0};
    std::atomic<long long> lastColdNanos{std::numeric_limits<long long>::min() / 2}; // never
};

} // namespace Sweepora::Core
