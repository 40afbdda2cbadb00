#pragma once

#include "scanners/TrashBatch.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace Sweepora::Core {

// What a scan saw of an item, so that a clean can tell whether the thing now at that path is
// still the one the user ticked. Taken without following a symbolic link.
struct ItemIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 logicalSize = 0;
    bool isDirectory = false;

    friend bool operator==(const ItemIdentity&, const ItemIdentity&) = default;

    // The identity of what lies at `path` now; none when it cannot be stat'ed.
    static std::optional<ItemIdentity> of(const QString& path);
};

// Why an item was left where it was just before its move.
struct Recheck
{
    enum class Verdict { Move, PassOver, Fail };
    Verdict verdict = Verdict::Move;
    QString error; // for Fail: shown after "，" in the log

    static Recheck move() { return {}; }
    static Recheck passOver() { return {Verdict::PassOver, {}}; }
    static Recheck fail(const QString& error) { return {Verdict::Fail, error}; }
};

// For a regular file the scan listed: Move when the same file is still there with the same
// size; Fail when it is gone, was replaced (another inode), became a symbolic link or another
// kind of entry, or changed its size. An unknown identity checks only that no link or folder
// took the file's place.
Recheck recheckFile(const QString& path, const std::optional<ItemIdentity>& scanned);

// The shared clean with a check made immediately before each move: a Fail is logged and
// reported like a move the Trash refused, a PassOver counts as not moved and is not logged.
// The message is texts.allMoved only when every path moved.
TrashBatchResult moveCheckedToTrash(const QStringList& paths, const TrashBatchTexts& texts,
                                    const std::function<Recheck(qsizetype index)>& check);

} // namespace Sweepora::Core
