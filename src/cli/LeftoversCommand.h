#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// leftovers: data left by applications that are no longer installed (Linux).
Command leftoversCommand();

} // namespace Sweepora::Cli
