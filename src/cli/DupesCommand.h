#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// dupes [--min SIZE] [DIR]…: files with equal contents below the folders (default the home).
Command dupesCommand();

} // namespace Sweepora::Cli
