#pragma once

#include <QString>

#include <string_view>

namespace Sweepora::Core {

// What a file holds, told by its extension: for the icon of its row (Symbols::forKind), and for the lists that must
// never offer a person's documents, code or media as junk.
enum class FileKind { archive, installer, image, video, audio, document, code, database, log, other };

// The kind of a file name's last extension, compared without case ("photo.JPG" → Image).
FileKind fileKindOf(const QString& fileName);
// The kind of an extension already lower-cased, without the dot ("jpg"); for the walks' hot path.
FileKind fileKindOfExtension(std::string_view lowerExtension);

// Documents, e-books, spreadsheets, code, images, audio, video and databases: what a person made
// or keeps, whatever the file's name says ("cache.sqlite", "CHANGELOG.md", "log.py").
bool isPersonalWork(FileKind kind);

} // namespace Sweepora::Core
