#include "scanners/EmptyFolderCleanupViewModel.h"

#include "access/AccessManager.h"
#include "platform/Jobs.h"
#include "platform/Notifications.h"
#include "scanners/SharedHomeWalk.h"
#include "util/ViewModelSupport.h"

#include <QSet>

#include <algorithm>

namespace Sweepora::Core {

EmptyFolderCleanupViewModel::EmptyFolderCleanupViewModel(QObject* parent) : QObject(parent)
{
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        EmptyFolderEngine::Report report = m_scanWatcher.future().result();
        const bool cancelled = m_watch.finish();
        m_folders = std::move(report.items);
        emit foldersChanged();
        setState(State::Scanned);
        setMessage(cancelled ? QStringLiteral("扫描已取消，") + report.message : report.message);
        emit scanFinished();
    });
    connect(&m_cleanWatcher, &QFutureWatcherBase::finished, this, [this] {
        const TrashBatchResult result = m_cleanWatcher.future().result();
        m_run.finish(result.message);
        m_folders = ViewModelSupport::without(m_folders, &EmptyFolderItem::path,
                                              QSet<QString>(result.moved.cbegin(), result.moved.cend()));
        emit foldersChanged();
        setState(State::Scanned);
        setMessage(result.message);
        if (!result.moved.isEmpty())
            Notifications::instance().postTrashContentsDidChange();
        emit cleanFinished();
    });
}

EmptyFolderCleanupViewModel::~EmptyFolderCleanupViewModel() = default;

qsizetype EmptyFolderCleanupViewModel::selectedCount() const
{
    return std::count_if(m_folders.cbegin(), m_folders.cend(), [](const EmptyFolderItem& f) { return f.selected; });
}

void EmptyFolderCleanupViewModel::startScan(SharedHomeWalk* sharedWalk)
{
    if (m_state == State::Scanning || m_state == State::Cleaning)
        return;
    if (!AccessManager::hasHomeAccess()) {
        setMessage(AccessManager::kNeedsHome);
        return;
    }
    setState(State::Scanning);
    if (!m_folders.isEmpty()) {
        m_folders.clear();
        emit foldersChanged();
    }
    setMessage(QStringLiteral("正在扫描空文件夹…"));
    if (sharedWalk != nullptr) {
        m_watch.follow(sharedWalk->progress());
        m_scanWatcher.setFuture(sharedWalk->addEmptyFolderScan());
        return;
    }
    const QString home = AccessManager::homeDirectoryURL().path();
    m_scanWatcher.setFuture(
        runJob([home, progress = m_watch.start()] { return EmptyFolderEngine::findEmptyFolders(home, progress); }));
}

void EmptyFolderCleanupViewModel::cancelScan()
{
    if (m_state == State::Scanning)
        m_watch.cancel();
}

void EmptyFolderCleanupViewModel::clean()
{
    if (m_state != State::Scanned)
        return;
    const QList<EmptyFolderItem> selection = ViewModelSupport::selected(m_folders);
    if (selection.isEmpty())
        return;
    setState(State::Cleaning);
    setMessage(QStringLiteral("正在移到废纸篓…"));
    m_cleanWatcher.setFuture(runJob(m_run.wrap(
        QStringLiteral("empty"), [selection] { return EmptyFolderEngine::moveToTrash(selection); }, selection.size())));
}

void EmptyFolderCleanupViewModel::toggleSelection(const QString& path)
{
    if (ViewModelSupport::toggle(m_folders, &EmptyFolderItem::path, path))
        emit foldersChanged();
}

void EmptyFolderCleanupViewModel::toggleAllSelection()
{
    if (ViewModelSupport::toggleAll(m_folders))
        emit foldersChanged();
}

void EmptyFolderCleanupViewModel::setState(State state)
{
    if (ViewModelSupport::assign(m_state, state))
        emit stateChanged();
}

void EmptyFolderCleanupViewModel::setMessage(const QString& message)
{
    if (ViewModelSupport::assign(m_message, message))
        emit messageChanged();
}

} // namespace Sweepora::Core
