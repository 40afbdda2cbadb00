#pragma once

#include <QStandardPaths>
#include <QString>

namespace Sweepora::Test {

// CI installs every tool the tests use (scripts/setup); there a missing one is a broken
// environment, not a reason to pass without running.
inline bool onCi()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

inline bool hasTool(const char* name)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

} // namespace Sweepora::Test

// Skips the current test when `tool` is not installed, and fails it instead under CI=true.
#define SWEEPORA_REQUIRE_TOOL(tool)                                                                                    \
    do {                                                                                                               \
        if (!::Sweepora::Test::hasTool(tool)) {                                                                        \
            if (::Sweepora::Test::onCi())                                                                              \
                FAIL() << (tool) << " is not installed, and CI=true requires every tool the tests use";                \
            GTEST_SKIP() << (tool) << " is not installed (scripts/setup installs it)";                                 \
        }                                                                                                              \
    } while (false)
