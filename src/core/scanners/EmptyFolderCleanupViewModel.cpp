#include "scanners/EmptyFolderCleanupViewModel.h"

#include "access/AccessManager.h"
#include "platform/Jobs.h"
#include "platform/Notifications.h"
#include "scanners/ItemSelection.h"
#include "scanners/SharedHomeWalk.h"
#include "util/Published.h"

#include <algorithm>

namespace Sweepora::Core {

EmptyFolderCleanupViewModel::EmptyFolderCleanupViewModel(QObject* parent) : QObject(parent)
{
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        EmptyFolderEngine::Report report = m_scanWatcher.future().result();
        m_folders = std::move(report.items);
        emit foldersChanged();
        setState(State::Scanned);
        setMessage(report.message);
        emit scanFinished();
    });
    connect(&m_cleanWatcher, &QFutureWatcherBase::finished, this, [this] {
        const TrashBatchResult result = m_cleanWatcher.future().result();
        ItemSelection::removeMoved(m_folders, result.moved);
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
        setMessage(QStringLiteral("请先授权个人文件夹"));
        return;
    }
    setState(State::Scanning);
    if (!m_folders.isEmpty()) {
        m_folders.clear();
        emit foldersChanged();
    }
    setMessage(QStringLiteral("正在扫描空文件夹…"));
    if (sharedWalk != nullptr) {
        m_scanWatcher.setFuture(sharedWalk->addEmptyFolderScan());
        return;
    }
    const QString home = AccessManager::homeDirectoryURL().path();
    m_scanWatcher.setFuture(runJob([home] { return EmptyFolderEngine::findEmptyFolders(home); }));
}

void EmptyFolderCleanupViewModel::clean()
{
    if (m_state != State::Scanned)
        return;
    const QList<EmptyFolderItem> selection = ItemSelection::selected(m_folders);
    if (selection.isEmpty())
        return;
    setState(State::Cleaning);
    setMessage(QStringLiteral("正在移到废纸篓…"));
    m_cleanWatcher.setFuture(runJob([selection] { return EmptyFolderEngine::moveToTrash(selection); }));
}

void EmptyFolderCleanupViewModel::toggleSelection(const QString& path)
{
    if (ItemSelection::toggle(m_folders, path))
        emit foldersChanged();
}

void EmptyFolderCleanupViewModel::toggleAllSelection()
{
    if (ItemSelection::toggleAll(m_folders))
        emit foldersChanged();
}

void EmptyFolderCleanupViewModel::setState(State state)
{
    publish(this, m_state, state, &EmptyFolderCleanupViewModel::stateChanged);
}

void EmptyFolderCleanupViewModel::setMessage(const QString& message)
{
    publish(this, m_message, message, &EmptyFolderCleanupViewModel::messageChanged);
}

} // namespace Sweepora::Core
