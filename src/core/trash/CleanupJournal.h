#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QString>

#include <memory>
#include <optional>

struct sqlite3;

namespace Sweepora::Core {

// Every batch the Trash gateway moves, one row per item, in a SQLite database in our own data
// folder. A row is written before its move and completed after it, so a process killed in the
// middle of a batch leaves rows that say "pending"; the next opening settles them by looking
// at the disk. The GUI and the command line share the file (WAL mode, a busy timeout).
class CleanupJournal
{
public:
    enum class State {
        pending = 0,  // written before the move, not completed yet
        inTrash = 1,  // moved, and its Trash entry is where we put it
        stayed = 2,   // refused or failed: never left its place
        restored = 3, // put back where it was
        emptied = 4,  // removed for good when Sweepora emptied the Trash
        gone = 5,     // no longer in the Trash (emptied or restored by another program)
    };

    struct Entry
    {
        qint64 id = 0;
        qint64 batch = 0;
        QByteArray path;  // where it lay, in file-system bytes
        QByteArray trash; // its entry in a Trash's files/ folder, once moved
        qint64 size = 0;
        quint64 device = 0;
        quint64 inode = 0;
        State state = State::pending;
        QString error;
    };

    struct Batch
    {
        qint64 id = 0;
        QDateTime time;
        QString section;
        qint64 count = 0;   // items it moved
        qint64 size = 0;    // their bytes
        qint64 inTrash = 0; // of those, still in the Trash
    };

    // The journal at `file`, created with its folder when missing. A journal that cannot be
    // opened or written reports every call as failed and journals nothing.
    explicit CleanupJournal(const QString& file);
    ~CleanupJournal();
    CleanupJournal(const CleanupJournal&) = delete;
    CleanupJournal& operator=(const CleanupJournal&) = delete;

    bool isOpen() const;
    QString lastError() const;

    qint64 beginBatch(const QString& section, const QDateTime& time);
    // Deletes a batch that moved nothing, so that the history shows only real cleans.
    void dropIfEmpty(qint64 batch);

    // Writes pending rows for a chunk of items in one transaction; their ids, in order.
    struct Pending
    {
        QByteArray path;
        qint64 size = 0;
        quint64 device = 0;
        quint64 inode = 0;
    };
    QList<qint64> addPending(qint64 batch, const QList<Pending>& items);

    struct Completion
    {
        qint64 id = 0;
        State state = State::pending;
        QByteArray trash;
        QString error;
    };
    void complete(const QList<Completion>& items);

    // Newest first; `limit` < 0 for all.
    QList<Batch> batches(int limit = -1) const;
    std::optional<Batch> batch(qint64 id) const;
    QList<Entry> entries(qint64 batch) const;
    // Every item still in a Trash, for the refresh against the disk and for emptying.
    QList<Entry> entriesInTrash() const;

    // The journal of the installed context's layout (its application-support folder), opened
    // and settled on first use; a new layout opens its own.
    static std::shared_ptr<CleanupJournal> current();
    static QString fileFor(const QString& applicationSupport);

    // Settles the pending rows of processes that are gone: an item still where it lay (same
    // device and inode) stayed; one found in a Trash's files/ folder under its name or a
    // numbered variant moved there; anything else is gone. `trashFolders` are the files/
    // folders to look in besides those the journal already knows.
    void settlePending(const QList<QByteArray>& trashFolders);

private:
    mutable QMutex m_mutex;
    sqlite3* m_db = nullptr;
    mutable QString m_error;
};

} // namespace Sweepora::Core
