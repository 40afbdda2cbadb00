#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// app-caches: the cache, log, web-storage and temporary files of every installed application.
Command appCachesCommand();

// Reads "--app-root DIR" (or "--app-root=DIR"), repeated, into `roots`. Returns a usage error
// for anything else, else an empty string.
QString parseApplicationRoots(const QString& command, const QStringList& arguments, QStringList& roots);
// Replaces the layout's application roots (and what the sandbox lets us read) when any were given.
void useApplicationRoots(const QStringList& roots);

} // namespace Sweepora::Cli
