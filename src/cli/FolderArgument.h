#pragma once

#include <QString>

namespace Sweepora::Cli {

// Why the folder named on the command line cannot be walked, or an empty text. The folder
// itself, never a link to one.
QString unusableFolder(const QString& path);

} // namespace Sweepora::Cli
