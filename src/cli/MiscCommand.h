#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// misc: files with "log", "logs", "cache" or "caches" as a word of their name, documents, code,
// media and databases left out; archives and installers: those created
// more than one calendar month before --now (or the clock).
Command miscCommand();
Command archivesCommand();
Command installersCommand();

} // namespace Sweepora::Cli
