#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// misc: files whose names contain "log" or "cache"; archives and installers: those created
// more than one calendar month before --now (or the clock).
Command miscCommand();
Command archivesCommand();
Command installersCommand();

} // namespace Sweepora::Cli
