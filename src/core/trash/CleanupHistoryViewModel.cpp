#include "core/trash/CleanupHistoryViewModel.h"

#include "core/platform/Jobs.h"
#include "core/platform/Notifications.h"
#include "core/util/ByteCount.h"
#include "core/util/ViewModelSupport.h"

namespace Sweepora::Core {

using State = CleanupJournal::State;

CleanupHistoryViewModel::CleanupHistoryViewModel(QObject* parent) : QObject(parent)
{
    connect(&m_batchWatcher, &QFutureWatcherBase::finished, this, [this] {
        const Snapshot snapshot = m_batchWatcher.future().result();
        const bool firstRead = !m_refreshed;
        if (snapshot.changed) {
            m_batches = snapshot.batches;
            emit batchesChanged();
        }
        // The journal's own view was shown; now what the disk says of it.
        if (firstRead) {
            m_refreshed = true;
            readBatches(true);
            return;
        }
        if (snapshot.changed && m_openBatch != 0)
            readEntries();
        setBusy(m_restoreWatcher.isRunning());
        emit loadFinished();
    });
    connect(&m_entryWatcher, &QFutureWatcherBase::finished, this, [this] {
        Items items = m_entryWatcher.future().result();
        if (items.batch != m_openBatch)
            return;
        m_entries = std::move(items.entries);
        QSet<qint64> stillTickable;
        for (const CleanupJournal::Entry& e : std::as_const(m_entries))
            if (e.state == State::inTrash && m_ticked.contains(e.id))
                stillTickable.insert(e.id);
        m_ticked = std::move(stillTickable);
        emit entriesChanged();
    });
    connect(&m_restoreWatcher, &QFutureWatcherBase::finished, this, [this] {
        const CleanupHistory::RestoreResult result = m_restoreWatcher.future().result();
        m_ticked.clear();
        setMessage(result.message);
        if (!result.restored.isEmpty())
            Notifications::instance().postTrashContentsDidChange();
        readBatches(false);
        emit restoreFinished();
    });
    // A clean elsewhere adds a batch.
    connect(&Notifications::instance(), &Notifications::trashContentsDidChange, this, [this] {
        if (m_refreshed && !m_batchWatcher.isRunning() && !m_restoreWatcher.isRunning())
            readBatches(false);
    });
}

CleanupHistoryViewModel::~CleanupHistoryViewModel() = default;

QString CleanupHistoryViewModel::batchSummary(const CleanupJournal::Batch& batch)
{
    QString text = QStringLiteral("%1 项 · %2").arg(batch.count).arg(formattedByteCount(batch.size));
    if (batch.inTrash == batch.count)
        return text + QStringLiteral("，都在废纸篓中");
    if (batch.inTrash == 0)
        return text + QStringLiteral("，已不在废纸篓中");
    return text + QStringLiteral("，%1 项仍在废纸篓中").arg(batch.inTrash);
}

QString CleanupHistoryViewModel::entryStateText(State state)
{
    switch (state) {
    case State::inTrash:
        return QStringLiteral("在废纸篓中");
    case State::restored:
        return QStringLiteral("已恢复");
    case State::emptied:
        return QStringLiteral("已清空");
    case State::gone:
        return QStringLiteral("已不在废纸篓中");
    case State::stayed:
        return QStringLiteral("未移动");
    case State::pending:
        break;
    }
    return QStringLiteral("正在处理");
}

void CleanupHistoryViewModel::load()
{
    if (m_batchWatcher.isRunning())
        return;
    m_refreshed = false;
    setBusy(true);
    readBatches(false);
}

void CleanupHistoryViewModel::readBatches(bool refreshFirst)
{
    m_batchWatcher.setFuture(runJob([refreshFirst] {
        Snapshot snapshot;
        snapshot.changed = !refreshFirst || CleanupHistory::refresh();
        if (snapshot.changed)
            snapshot.batches = CleanupHistory::batches();
        return snapshot;
    }));
}

void CleanupHistoryViewModel::open(qint64 batch)
{
    if (batch == m_openBatch)
        return;
    m_openBatch = batch;
    m_entries.clear();
    m_ticked.clear();
    emit entriesChanged();
    if (batch != 0)
        readEntries();
}

void CleanupHistoryViewModel::readEntries()
{
    m_entryWatcher.setFuture(runJob([batch = m_openBatch] { return Items{batch, CleanupHistory::entries(batch)}; }));
}

void CleanupHistoryViewModel::toggleEntry(qint64 entry)
{
    for (const CleanupJournal::Entry& e : std::as_const(m_entries)) {
        if (e.id != entry || e.state != State::inTrash)
            continue;
        if (!m_ticked.remove(entry))
            m_ticked.insert(entry);
        emit tickedChanged();
        return;
    }
}

void CleanupHistoryViewModel::restore(qint64 batch)
{
    if (m_busy || batch == 0)
        return;
    const QList<qint64> items = batch == m_openBatch ? m_ticked.values() : QList<qint64>{};
    setBusy(true);
    setMessage(QStringLiteral("正在恢复…"));
    m_restoreWatcher.setFuture(runJob([batch, items] { return CleanupHistory::restore(batch, items); }));
}

void CleanupHistoryViewModel::setBusy(bool busy)
{
    if (ViewModelSupport::assign(m_busy, busy))
        emit busyChanged();
}

void CleanupHistoryViewModel::setMessage(const QString& message)
{
    if (ViewModelSupport::assign(m_message, message))
        emit messageChanged();
}

} // namespace Sweepora::Core
