#pragma once

#include <QString>

namespace Sweepora::Test {

// The path of this test binary as another user can run it. When the build folder is not
// reachable by others (a checkout below /root, say), the binary is copied once into a
// world-readable temporary folder, so that tests that re-run themselves as an unprivileged
// user still run instead of skipping.
QString executableForOtherUsers();

} // namespace Sweepora::Test
