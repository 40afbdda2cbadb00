#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// apps: installed applications with the files they left in the Library; --move-to-trash
// uninstalls them, asking about each one on the terminal unless --yes is given.
Command appsCommand();

} // namespace Sweepora::Cli
