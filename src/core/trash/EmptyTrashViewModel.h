#pragma once

#include "core/trash/CleanupHistory.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>

namespace Sweepora::Core {

// Behind 清空废纸篓…: counts what emptying would remove, waits for the user's yes, then removes
// exactly what it counted. Both steps are jobs; the removal reports progress on a timer.
class EmptyTrashViewModel : public QObject
{
    Q_OBJECT

public:
    enum class Step { idle, counting, awaitingConfirmation, emptying };

    explicit EmptyTrashViewModel(QObject* parent = nullptr);
    ~EmptyTrashViewModel() override;

    Step step() const { return m_step; }
    const CleanupHistory::EmptyPlan& plan() const { return m_plan; }
    // "将永久删除废纸篓中的 {n} 项，释放 {size}。此操作无法撤销。"
    QString confirmationText() const;
    // Progress while emptying, then the outcome ("已清空废纸篓，释放 …"), or "废纸篓已是空的".
    const QString& message() const { return m_message; }

    // Counts the Trash; then the step is AwaitingConfirmation, or Idle when it is empty.
    void start();
    void confirm();
    void decline();

signals:
    void stepChanged();
    void messageChanged();
    void finished();

private:
    struct Progress
    {
        std::atomic<qint64> done{0};
        std::atomic<qint64> total{0};
    };
    void setStep(Step step);
    void setMessage(const QString& message);

    Step m_step = Step::idle;
    CleanupHistory::EmptyPlan m_plan;
    QString m_message;
    std::shared_ptr<Progress> m_progress;
    QTimer m_poll;
    QFutureWatcher<CleanupHistory::EmptyPlan> m_planWatcher;
    QFutureWatcher<CleanupHistory::EmptyResult> m_emptyWatcher;
};

} // namespace Sweepora::Core
