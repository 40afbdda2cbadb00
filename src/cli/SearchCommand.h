#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// search QUERY: the regular files of the home folder whose name contains QUERY, ignoring case.
Command searchCommand();

} // namespace Sweepora::Cli
