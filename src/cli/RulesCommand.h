#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// rules: every cleanup rule (bundled and the user's), one result per rule that finds something.
Command rulesCommand();

} // namespace Sweepora::Cli
