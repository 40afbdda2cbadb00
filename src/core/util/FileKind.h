#pragma once

#include <QString>

namespace Sweepora::Core {

// What a file holds, told by its extension: for the icon of its row, and for the lists that must
// never offer a person's documents, code or media as junk.
enum class FileKind { Archive, Installer, Image, Video, Audio, Document, Code, Database, Log, Other };

// The kind of a file name's last extension, compared without case ("photo.JPG" → Image).
FileKind fileKindOf(const QString& fileName);

// The symbol of the interface's icon set for that kind.
QString symbolForKind(FileKind kind);

} // namespace Sweepora::Core
