#pragma once

#include <QStringList>

namespace Sweepora::Cli {

// sweepora-cli [--home DIR] [--now ISO8601] [--json] COMMAND [ARGS] [--move-to-trash [--yes]]
// Runs one command and returns the exit status: 0 done, 1 usage error, 2 the scan could not
// run. Results go to standard output; questions, diagnostics and the log to standard error.
int runCommandLine(const QStringList& arguments);

QString usageText();

} // namespace Sweepora::Cli
