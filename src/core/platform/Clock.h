#pragma once

#include <QDateTime>
#include <optional>

namespace Sweepora::Core {

// The current moment, replaceable so that age rules can be tested and the command line's
// --now can count from a fixed moment.
class Clock
{
public:
    static QDateTime now();
    static void setFixed(std::optional<QDateTime> moment);
};

} // namespace Sweepora::Core
