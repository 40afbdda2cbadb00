#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// protect [add PATH | remove PATH]: the places no clean ever takes; the user's own entries are
// kept in the settings the window uses.
Command protectCommand();

} // namespace Sweepora::Cli
