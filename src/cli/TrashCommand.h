#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// trash: how many items the Trash holds and how much space they take.
Command trashCommand();

} // namespace Sweepora::Cli
