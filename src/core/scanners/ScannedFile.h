#pragma once

#include "scanners/TrashBatch.h"

#include <QList>
#include <QString>

#include <functional>

namespace Sweepora::Core {

// What a scan saw of an item it listed, so that the clean can tell whether the item is still
// the one the user ticked: a file replaced, grown, shrunk or turned into a symbolic link
// since the scan is not moved.
struct ScannedFile
{
    QString path;
    qint64 size = 0; // as the scan measured it
    bool isDirectory = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 logicalSize = 0;  // st_size when identified
    bool identified = false; // device, inode and logical size were read
};

namespace ScannedFileCheck {

// The failure text of an item that is no longer what the scan listed.
inline const QString kChangedError = QStringLiteral("扫描后文件已被更改");

// Reads the device, inode and logical size of `file.path` (never following a symbolic link).
bool identify(ScannedFile& file);

// Measures a folder the way its scan did (a file is compared by its logical size, which,
// unlike the allocated size, does not move while the file system settles its blocks).
using FolderSizeOf = std::function<qint64(const QString& folder)>;

// True when the path still holds the same kind of entry (never a symbolic link), on the same
// device and inode, of the same size.
bool isUnchanged(const ScannedFile& file, const FolderSizeOf& folderSizeOf = {});

// The shared clean, guarded: each item goes to the Trash only when isUnchanged(); one that
// changed is logged with the tag like a refused move and reported among the failures.
TrashBatchResult moveUnchangedToTrash(const QList<ScannedFile>& files, const TrashBatchTexts& texts,
                                      const FolderSizeOf& folderSizeOf = {});

} // namespace ScannedFileCheck
} // namespace Sweepora::Core
