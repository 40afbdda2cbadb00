#pragma once

#include <QString>
#include <QStringList>

#include <string_view>

namespace Sweepora::Core {

// A package is a folder that the user sees as one file (an application bundle, an installer,
// a rich-text document with attachments…). It is told apart by its extension alone, compared
// in lower case; this list is the only place that knows which extensions count.
const QStringList& packageExtensions();

// True when `name` (a last path component, as file-system bytes) ends in a package extension.
// Only meaningful for folders: a regular file named "notes.app" is not a package.
bool hasPackageExtension(std::string_view name);
bool hasPackageExtension(const QString& name);

} // namespace Sweepora::Core
