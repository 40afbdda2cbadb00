#pragma once

#include "core/trash/CleanupHistory.h"
#include "core/trash/TrashGateway.h"

#include <QFutureWatcher>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>

namespace Sweepora::Core {

// The progress, cancel and undo of one view model's cleans. The view model owns it on the GUI
// thread; the clean's job only touches the shared counters, which the run reads on a timer while
// the clean lasts, so a job never reaches into an object that may be gone.
class CleanRun : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool running READ running NOTIFY changed)
    Q_PROPERTY(QString text READ text NOTIFY changed)
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY changed)

public:
    static inline const QString kCancelling = QStringLiteral("正在取消…");

    explicit CleanRun(QObject* parent = nullptr);
    ~CleanRun() override;

    bool running() const { return m_running; }
    // "正在移到废纸篓… {done}/{total}" while cleaning; then the clean's (or the undo's) message.
    const QString& text() const { return m_text; }
    bool canUndo() const { return m_lastBatch != 0 && !m_running && !m_undoing; }
    qint64 lastBatch() const { return m_lastBatch; }
    // The items the last clean left where they were, with why (not those a cancel left).
    const QList<TrashFailure>& failures() const { return m_failures; }

    // Wraps a clean's job: called on the GUI thread as the clean starts; the returned callable
    // runs `job` on the job thread inside one journal batch of `section`, reporting progress and
    // stopping between items once cancelled. `total` is the number of items the job hands over
    // when known beforehand (else the count grows as the job hands them over).
    template <typename Job> auto wrap(const QString& section, Job job, qsizetype total = 0)
    {
        std::shared_ptr<Counters> counters = start(section);
        return [counters, total, job = std::move(job)]() mutable {
            TrashGateway::Batch batch(counters->section);
            batch.setTotal(total);
            batch.setProgress([counters](qsizetype done, qsizetype total) {
                counters->total.store(total);
                counters->done.store(done);
            });
            batch.setCancelled([counters] { return counters->cancelled.load(); });
            batch.setFailed([counters](const TrashFailure& failure) {
                const QMutexLocker lock(&counters->failuresLock);
                counters->failures.append(failure);
            });
            auto result = job();
            counters->batchId.store(batch.id());
            return result;
        };
    }

    // The clean handed its result back (GUI thread): shows its message and offers its undo.
    void finish(const QString& message);
    // Asks the running clean to stop before its next item.
    void cancel();
    // Puts the last clean's batch back; false when there is nothing to undo.
    bool undo();
    // Forgets the last clean's undo (a new scan replaced what it referred to).
    void clear();

signals:
    void changed();
    // An undo finished: the restored paths are in their places again.
    void undone(const Sweepora::Core::CleanupHistory::RestoreResult& result);

private:
    struct Counters
    {
        QString section;
        std::atomic<qsizetype> done{0};
        std::atomic<qsizetype> total{0};
        std::atomic<bool> cancelled{false};
        std::atomic<qint64> batchId{0};
        QMutex failuresLock;
        QList<TrashFailure> failures;
    };
    std::shared_ptr<Counters> start(const QString& section);
    void poll();
    void set(bool running, QString text, qint64 lastBatch);

    std::shared_ptr<Counters> m_counters;
    bool m_running = false;
    bool m_undoing = false;
    QString m_text;
    qint64 m_lastBatch = 0;
    QList<TrashFailure> m_failures;
    QTimer m_poll;
    QFutureWatcher<CleanupHistory::RestoreResult> m_undoWatcher;
};

} // namespace Sweepora::Core
