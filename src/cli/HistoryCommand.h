#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

Command historyCommand();
Command restoreCommand();

} // namespace Sweepora::Cli
