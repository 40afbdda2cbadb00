#pragma once

#include "cli/Command.h"

namespace Sweepora::Cli {

// Lays out rows under their column titles, padded to the terminal width of their text
// (CJK characters take two cells). Control characters in cells are shown escaped, so a file
// name with a newline stays on its row.
QString renderTable(const QList<Column>& columns, const QList<QStringList>& rows);

// Cells a string takes on a terminal.
int displayWidth(const QString& text);
// The text with "\n", "\t" and other control characters made visible.
QString printable(const QString& text);

} // namespace Sweepora::Cli
