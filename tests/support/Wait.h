#pragma once

#include <QTest>

namespace Sweepora::Test {

// Runs the event loop until `done` holds; false when `ms` pass first. Jobs hand back through
// queued signals, so every asynchronous step in the tests waits through this.
template <class Predicate> bool waitUntil(Predicate done, int ms = 10000)
{
    return QTest::qWaitFor(done, ms);
}

} // namespace Sweepora::Test
