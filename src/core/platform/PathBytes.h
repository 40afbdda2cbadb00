#pragma once

#include <QByteArray>
#include <QString>

namespace Sweepora::Core {

// File names are bytes; QString decoding replaces bytes that are not UTF-8 with U+FFFD, and
// such a path no longer names its file. These two keep every byte: a byte that is not part of
// valid UTF-8 becomes the lone surrogate U+DC80..U+DCFF and turns back into itself. Text that
// is valid UTF-8 decodes exactly as QFile::decodeName does.
QString pathFromBytes(const QByteArray& bytes);
QByteArray bytesFromPath(const QString& path);

} // namespace Sweepora::Core
