#pragma once

#include <QString>

#include <optional>

namespace Sweepora::Service {

// Sign-in codes from the operating system's cryptographic random source (getrandom on Linux,
// arc4random elsewhere), uniform over 0000 to 9999.
class SecureRandom
{
public:
    // Four ASCII digits, or nothing when the source failed (it practically never does).
    static std::optional<QString> fourDigitCode();
};

} // namespace Sweepora::Service
