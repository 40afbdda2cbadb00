#include "core/scanners/FileListViewModel.h"

#include "core/access/AccessManager.h"
#include "core/platform/Jobs.h"
#include "core/platform/Notifications.h"
#include "core/util/ViewModelSupport.h"

namespace Sweepora::Core {

FileListViewModel::FileListViewModel(QString initialMessage, QObject* parent, AfterScan afterScan)
    : QObject(parent), m_message(std::move(initialMessage)), m_afterScan(afterScan)
{
    connect(&m_cleanWatcher, &QFutureWatcherBase::finished, this, [this] {
        const CleanHandBack result = m_cleanWatcher.future().result();
        removeCleaned(result.done);
        emit filesChanged();
        setState(ScanState::scanned);
        setMessage(result.message);
        m_run.finish(result.message);
        if (result.movedAny)
            Notifications::instance().postTrashContentsDidChange();
        emit cleanFinished();
        afterClean();
    });
}

FileListViewModel::~FileListViewModel() = default;

bool FileListViewModel::mayStartScan()
{
    return (m_state == ScanState::ready || m_state == ScanState::scanned) && hasHomeGrant();
}

bool FileListViewModel::hasHomeGrant()
{
    if (AccessManager::hasHomeAccess())
        return true;
    setMessage(AccessManager::kNeedsHome);
    return false;
}

void FileListViewModel::finishScan(const QString& message)
{
    if (m_afterScan == AfterScan::forgetUndo)
        m_run.clear();
    emit filesChanged();
    setState(ScanState::scanned);
    setMessage(message);
    emit scanFinished();
}

bool FileListViewModel::mayClean(bool hasSelection) const
{
    return m_state == ScanState::scanned && hasSelection;
}

void FileListViewModel::startCleanJob(const QString& section, std::function<CleanHandBack()> job, qsizetype total,
                                      const QString& message)
{
    setState(ScanState::cleaning);
    setMessage(message);
    m_cleanWatcher.setFuture(runJob(m_run.wrap(section, std::move(job), total)));
}

void FileListViewModel::setSortKey(ListSortKey key)
{
    if (ViewModelSupport::assign(m_arrangement.key, key))
        emit filesChanged();
}

void FileListViewModel::setNameFilter(const QString& text)
{
    if (ViewModelSupport::assign(m_arrangement.nameFilter, text))
        emit filesChanged();
}

void FileListViewModel::setState(ScanState state)
{
    if (ViewModelSupport::assign(m_state, state))
        emit stateChanged();
}

void FileListViewModel::setMessage(const QString& message)
{
    if (ViewModelSupport::assign(m_message, message))
        emit messageChanged();
}

void FileListViewModel::cancelScan()
{
    if (m_state == ScanState::scanning)
        m_watch.cancel();
}

} // namespace Sweepora::Core
