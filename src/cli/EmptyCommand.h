#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// empty: the folders of the home folder that hold nothing, deepest first.
Command emptyCommand();

} // namespace Sweepora::Cli
