#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// storage [DIR]: the children of DIR (default: the home folder) ranked by the space they take.
Command storageCommand();

} // namespace Sweepora::Cli
