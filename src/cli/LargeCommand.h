#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// large [--min GB]: regular files of the home folder of at least GB gigabytes (default 1).
Command largeCommand();

// Reads a threshold in gigabytes: a finite number above 0 whose size in bytes is at least one
// byte and fits a signed 64-bit count. Empty optional for anything else.
std::optional<double> parseGigabytes(const QString& text);

} // namespace Sweepora::Cli
