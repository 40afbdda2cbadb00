#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

namespace Sweepora::Service {

// Milliseconds since the epoch, UTC. Replaceable so that tests can move time on.
using ServiceClock = std::function<qint64()>;

ServiceClock systemClock();

// "2024-05-01T08:30:00Z": the form the application parses for release times.
QString isoTimestamp(qint64 millisecondsSinceEpoch);

} // namespace Sweepora::Service
