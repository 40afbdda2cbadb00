#pragma once

#include "core/fs/WalkEntry.h"

#include <QString>
#include <QtGlobal>

namespace Sweepora::Core {

// What a scan saw of an item and of the folder that held it, so that a clean can tell whether
// the thing it is about to move is still the one the user ticked, in the same folder. Taken
// without following a symbolic link.
struct ItemIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    quint64 parentDevice = 0;
    quint64 parentInode = 0;
    qint64 logicalSize = 0;
    EntryKind kind = EntryKind::other;
    bool known = false; // false: the scan could not read it, and no clean will move it

    bool isDirectory() const { return kind == EntryKind::directory; }

    friend bool operator==(const ItemIdentity&, const ItemIdentity&) = default;

    // From the walk that found the entry (its stat and its folder's open descriptor).
    static ItemIdentity of(const WalkEntry& entry);
    // For an item found by its path: reached from its scope without following a link, as a
    // clean would reach it. Unknown when that fails.
    static ItemIdentity lookUp(const QString& path);
};

} // namespace Sweepora::Core
