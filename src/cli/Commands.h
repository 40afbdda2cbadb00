#pragma once

#include "cli/Command.h"

// The commands of sweepora-cli, one factory each (CommandTable.cpp lists them), and the
// argument readers that more than one command shares.
namespace Sweepora::Cli {

// app-caches: the cache, log, web-storage and temporary files of every installed application.
Command appCachesCommand();

// Reads "--app-root DIR" (or "--app-root=DIR"), repeated, into `roots`. Returns a usage error
// for anything else, else an empty string.
QString parseApplicationRoots(const QString& command, const QStringList& arguments, QStringList& roots);
// Replaces the layout's application roots (and what the sandbox lets us read) when any were given.
void useApplicationRoots(const QStringList& roots);

// apps: installed applications with the files they left in the Library; --move-to-trash
// uninstalls them, asking about each one on the terminal unless --yes is given.
Command appsCommand();

// dupes [--min SIZE] [DIR]…: files with equal contents below the folders (default the home).
Command dupesCommand();

// empty: the folders of the home folder that hold nothing, deepest first.
Command emptyCommand();

Command historyCommand();
Command restoreCommand();

// large [--min GB]: regular files of the home folder of at least GB gigabytes (default 1).
Command largeCommand();

// Reads a threshold in gigabytes: a finite number above 0 whose size in bytes is at least one
// byte and fits a signed 64-bit count. Empty optional for anything else.
std::optional<double> parseGigabytes(const QString& text);

// leftovers: data left by applications that are no longer installed (Linux).
Command leftoversCommand();

// misc: files with "log", "logs", "cache" or "caches" as a word of their name, documents, code,
// media and databases left out; archives and installers: those created
// more than one calendar month before --now (or the clock).
Command miscCommand();
Command archivesCommand();
Command installersCommand();

// protect [add PATH | remove PATH]: the places no clean ever takes; the user's own entries are
// kept in the settings the window uses.
Command protectCommand();

// quick: the six scans of the quick cleanup at once, one line (one JSON object) per scan.
Command quickCommand();

// rules: every cleanup rule (bundled and the user's), one result per rule that finds something.
Command rulesCommand();

// search QUERY: the regular files of the home folder whose name contains QUERY, ignoring case.
Command searchCommand();

// storage [DIR]: the children of DIR (default: the home folder) ranked by the space they take.
Command storageCommand();

// trash: how many items the Trash holds and how much space they take.
Command trashCommand();

} // namespace Sweepora::Cli
