#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// quick: the six scans of the quick cleanup at once, one line (one JSON object) per scan.
Command quickCommand();

} // namespace Sweepora::Cli
