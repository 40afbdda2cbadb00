#include "core/trash/CleanRun.h"

#include "core/platform/Jobs.h"
#include "core/platform/Notifications.h"

namespace Sweepora::Core {

namespace {
constexpr int kPollMs = 100;
} // namespace

CleanRun::CleanRun(QObject* parent) : QObject(parent)
{
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &CleanRun::poll);
    connect(&m_undoWatcher, &QFutureWatcherBase::finished, this, [this] {
        const CleanupHistory::RestoreResult result = m_undoWatcher.future().result();
        m_undoing = false;
        set(false, result.message, 0);
        if (!result.restored.isEmpty())
            Notifications::instance().postTrashContentsDidChange();
        emit undone(result);
    });
}

CleanRun::~CleanRun()
{
    // A clean still running stops at its next item; its result goes nowhere.
    if (m_counters)
        m_counters->cancelled.store(true);
}

std::shared_ptr<CleanRun::Counters> CleanRun::start(const QString& section)
{
    m_failures.clear();
    m_counters = std::make_shared<Counters>();
    m_counters->section = section;
    set(true, QStringLiteral("正在移到废纸篓…"), 0);
    m_poll.start();
    return m_counters;
}

void CleanRun::poll()
{
    if (!m_running || !m_counters || m_counters->cancelled.load())
        return;
    const qsizetype total = m_counters->total.load();
    if (total > 0)
        set(true, QStringLiteral("正在移到废纸篓… %1/%2").arg(m_counters->done.load()).arg(total), 0);
}

void CleanRun::finish(const QString& message)
{
    m_poll.stop();
    qint64 batch = m_counters ? m_counters->batchId.load() : 0;
    const bool cancelled = m_counters && m_counters->cancelled.load();
    m_failures.clear();
    if (m_counters) {
        const QMutexLocker lock(&m_counters->failuresLock);
        for (const TrashFailure& failure : std::as_const(m_counters->failures))
            if (failure.error != TrashGateway::kCancelled)
                m_failures.append(failure);
        // Every item handed over and not cancelled counts as done, moved or not: a clean whose
        // items all stayed has nothing to undo.
        if (m_counters->done.load() <= m_failures.size())
            batch = 0;
    }
    m_counters.reset();
    set(false, cancelled ? QStringLiteral("清理已取消。") + message : message, batch);
}

void CleanRun::cancel()
{
    if (!m_running || !m_counters)
        return;
    m_counters->cancelled.store(true);
    set(true, kCancelling, 0);
}

bool CleanRun::undo()
{
    if (!canUndo())
        return false;
    m_undoing = true;
    m_failures.clear();
    set(false, QStringLiteral("正在恢复…"), m_lastBatch);
    m_undoWatcher.setFuture(runJob([batch = m_lastBatch] { return CleanupHistory::restore(batch); }));
    return true;
}

void CleanRun::clear()
{
    if (m_running || m_undoing)
        return;
    m_failures.clear();
    set(false, {}, 0);
}

void CleanRun::set(bool running, QString text, qint64 lastBatch)
{
    if (m_running == running && m_text == text && m_lastBatch == lastBatch)
        return;
    m_running = running;
    m_text = std::move(text);
    m_lastBatch = lastBatch;
    emit changed();
}

} // namespace Sweepora::Core
