#include "core/trash/EmptyTrashViewModel.h"

#include "core/platform/Jobs.h"
#include "core/platform/Notifications.h"
#include "core/util/ByteCount.h"
#include "core/util/ViewModelSupport.h"

namespace Sweepora::Core {

EmptyTrashViewModel::EmptyTrashViewModel(QObject* parent) : QObject(parent)
{
    m_poll.setInterval(100);
    connect(&m_poll, &QTimer::timeout, this, [this] {
        if (m_progress && m_progress->total.load() > 0)
            setMessage(
                QStringLiteral("正在清空废纸篓… %1/%2").arg(m_progress->done.load()).arg(m_progress->total.load()));
    });
    connect(&m_planWatcher, &QFutureWatcherBase::finished, this, [this] {
        m_plan = m_planWatcher.future().result();
        if (m_plan.count == 0) {
            setMessage(QStringLiteral("废纸篓已是空的"));
            setStep(Step::idle);
            emit finished();
            return;
        }
        setStep(Step::awaitingConfirmation);
    });
    connect(&m_emptyWatcher, &QFutureWatcherBase::finished, this, [this] {
        m_poll.stop();
        m_progress.reset();
        const CleanupHistory::EmptyResult result = m_emptyWatcher.future().result();
        m_plan = {};
        setMessage(result.message);
        setStep(Step::idle);
        Notifications::instance().postTrashContentsDidChange();
        emit finished();
    });
}

EmptyTrashViewModel::~EmptyTrashViewModel() = default;

QString EmptyTrashViewModel::confirmationText() const
{
    return QStringLiteral("将永久删除废纸篓中的 %1 项，释放 %2。此操作无法撤销。")
        .arg(m_plan.count)
        .arg(formattedByteCount(m_plan.size));
}

void EmptyTrashViewModel::start()
{
    if (m_step != Step::idle)
        return;
    setMessage(QStringLiteral("正在统计废纸篓…"));
    setStep(Step::counting);
    m_planWatcher.setFuture(runJob([] { return CleanupHistory::planEmptying(); }));
}

void EmptyTrashViewModel::confirm()
{
    if (m_step != Step::awaitingConfirmation)
        return;
    m_progress = std::make_shared<Progress>();
    setMessage(QStringLiteral("正在清空废纸篓…"));
    setStep(Step::emptying);
    m_poll.start();
    m_emptyWatcher.setFuture(runJob([plan = m_plan, progress = m_progress] {
        return CleanupHistory::empty(plan, [progress](qint64 done, qint64 total) {
            progress->total.store(total);
            progress->done.store(done);
        });
    }));
}

void EmptyTrashViewModel::decline()
{
    if (m_step != Step::awaitingConfirmation)
        return;
    m_plan = {};
    setStep(Step::idle);
    setMessage({});
    emit finished();
}

void EmptyTrashViewModel::setStep(Step step)
{
    if (ViewModelSupport::assign(m_step, step))
        emit stepChanged();
}

void EmptyTrashViewModel::setMessage(const QString& message)
{
    if (ViewModelSupport::assign(m_message, message))
        emit messageChanged();
}

} // namespace Sweepora::Core
