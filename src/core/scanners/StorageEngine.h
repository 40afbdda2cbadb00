#pragma once

#include "core/trash/ItemIdentity.h"
#include "core/trash/TrashBatch.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

namespace Sweepora::Core {

// One child of the analysed folder. Identified by its path.
struct StorageEntry
{
    QString path;
    bool isDirectory = false; // packages count as folders
    qint64 size = 0;          // allocated size; for a folder, of every regular file below it
    bool isProtected = false; // shown in the ranking, but never ticked or moved
    ItemIdentity identity;    // what the walk saw: a move takes only this very item

    friend bool operator==(const StorageEntry&, const StorageEntry&) = default;
};

// Ranks the children of one folder by the space they occupy. Plain functions: no event loop,
// no access checks (the walker still keeps to the open scopes).
namespace StorageEngine {

// The folder's children, symbolic links and (unless `includeHidden`) hidden ones left out,
// sorted larger first and equal sizes by name. A folder's size sums the allocated sizes (else logical sizes) of the
// regular files below it, hidden ones and package contents included, symbolic links not.
// Every child is sized in one walk of `directory`. An unlistable folder gives an empty list.
QList<StorageEntry> listDirectory(const QString& directory, bool includeHidden = false);

// Moves each entry (a file or a whole folder) to the Trash through the gateway
// ("[StorageAnalysis]" in the log) and reports "已将 {n} 项移到废纸篓" or
// "已移到废纸篓 {n} 项，{failed} 项失败".
TrashBatchResult moveToTrash(const QList<StorageEntry>& entries);

} // namespace StorageEngine
} // namespace Sweepora::Core

Q_DECLARE_METATYPE(Sweepora::Core::StorageEntry)
