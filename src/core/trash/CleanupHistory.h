#pragma once

#include "core/trash/CleanupJournal.h"
#include "core/trash/TrashBatch.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace Sweepora::Core {

// What the user can do with the cleanup journal: see past cleans, put them back, and empty the
// Trash for good. Plain functions on the process's journal; they block, so pages run them as jobs.
namespace CleanupHistory {

inline const QString kOccupied = QStringLiteral("原位置已有同名项目，项目仍在废纸篓中");
inline const QString kNotInTrash = QStringLiteral("项目已不在废纸篓中");
inline const QString kTrashEntryReplaced = QStringLiteral("废纸篓中的项目已被替换");

// The Chinese name of a section key ("large" → "大文件"), the key itself when unknown.
QString sectionTitle(const QString& section);

// Checks every item the journal has in a Trash against the disk: an entry that is gone was
// restored (its original place holds it again) or emptied by another program.
// Returns whether anything changed.
bool refresh();

// Newest first, as the journal has them (call refresh() first for what is on disk now: a page
// shows the journal at once and refreshes in the background).
QList<CleanupJournal::Batch> batches();
QList<CleanupJournal::Entry> entries(qint64 batch);
// The newest batch that still has items in the Trash, or 0 (refreshed first).
qint64 lastRestorable();

struct RestoreResult
{
    QStringList restored;       // original paths, in the batch's order
    QList<TrashFailure> failed; // items that stayed in the Trash (or were no longer there)
    QString message;            // "已恢复 {n} 项" or "已恢复 {n} 项，{failed} 项未能恢复"
};

// Puts the batch's items (only `items` of them, by entry id, when given) back where they lay:
// each Trash entry is renamed back to its original path, never copied, never over anything.
// Missing folders on the way are created without following a link; the original place must
// lie in an open scope. Items no longer in the Trash are reported, not guessed.
RestoreResult restore(qint64 batch, const QList<qint64>& items = {});

// The Trash as Sweepora would empty it: the entries of the home Trash and of every other
// Trash the journal has moved items into.
struct TrashEntry
{
    QByteArray root; // the Trash folder (holding files/ and info/)
    QByteArray name; // the entry's name in files/
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0; // bytes of the entry (a folder: every regular file below it)
};
struct EmptyPlan
{
    QList<TrashEntry> entries;
    qint64 count = 0;
    qint64 size = 0;
};
EmptyPlan planEmptying();

struct EmptyResult
{
    qint64 removed = 0;
    qint64 freed = 0;
    QList<TrashFailure> failed;
    QString message; // "已清空废纸篓，释放 {size}" or "…，{n} 项未能删除"
};
// Removes for good exactly the entries of `plan` that are still the same (device and inode),
// with their info files; entries that arrived since stay. The one permanent removal in Sweepora.
EmptyResult empty(const EmptyPlan& plan, const std::function<void(qint64 done, qint64 total)>& progress = {});

} // namespace CleanupHistory
} // namespace Sweepora::Core
