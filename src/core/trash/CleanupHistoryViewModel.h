#pragma once

#include "core/trash/CleanupHistory.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

namespace Sweepora::Core {

// Behind 清理记录: past cleans newest first, one batch open at a time with its items, and the
// restore of a batch or of its ticked items. The journal's view shows at once; a job then checks
// it against the disk and the list is read again when something changed. Every journal read and
// every restore runs as a job; state is published on the GUI thread only.
class CleanupHistoryViewModel : public QObject
{
    Q_OBJECT

public:
    explicit CleanupHistoryViewModel(QObject* parent = nullptr);
    ~CleanupHistoryViewModel() override;

    const QList<CleanupJournal::Batch>& batches() const { return m_batches; }
    // The batch whose items are shown, 0 for none.
    qint64 openBatch() const { return m_openBatch; }
    const QList<CleanupJournal::Entry>& entries() const { return m_entries; }
    const QSet<qint64>& tickedEntries() const { return m_ticked; }
    bool isBusy() const { return m_busy; }
    const QString& message() const { return m_message; }

    // "3 项 · 12 MB，2 项仍在废纸篓中"
    static QString batchSummary(const CleanupJournal::Batch& batch);
    // "在废纸篓中", "已恢复", …
    static QString entryStateText(CleanupJournal::State state);

    // Reads the journal, then checks it against the disk.
    void load();
    void open(qint64 batch);
    // Only items still in the Trash can be ticked.
    void toggleEntry(qint64 entry);
    // The ticked items of the open batch, or the whole of `batch` when nothing is ticked there.
    void restore(qint64 batch);

signals:
    void batchesChanged();
    void entriesChanged();
    void tickedChanged();
    void busyChanged();
    void messageChanged();
    void loadFinished();
    void restoreFinished();

private:
    struct Snapshot
    {
        QList<CleanupJournal::Batch> batches;
        bool changed = true;
    };
    struct Items
    {
        qint64 batch = 0;
        QList<CleanupJournal::Entry> entries;
    };
    void readBatches(bool refreshFirst);
    void readEntries();
    void setBusy(bool busy);
    void setMessage(const QString& message);

    QList<CleanupJournal::Batch> m_batches;
    qint64 m_openBatch = 0;
    QList<CleanupJournal::Entry> m_entries;
    QSet<qint64> m_ticked;
    bool m_busy = false;
    bool m_refreshed = false;
    QString m_message;
    QFutureWatcher<Snapshot> m_batchWatcher;
    QFutureWatcher<Items> m_entryWatcher;
    QFutureWatcher<CleanupHistory::RestoreResult> m_restoreWatcher;
};

} // namespace Sweepora::Core
