#include "scanners/FileSearchViewModel.h"

#include "access/AccessManager.h"
#include "platform/Jobs.h"
#include "platform/Notifications.h"
#include "util/ViewModelSupport.h"

#include <QSet>

#include <algorithm>
#include <utility>

namespace Sweepora::Core {

FileSearchViewModel::FileSearchViewModel(QObject* parent) : QObject(parent)
{
    connect(&m_searchWatcher, &QFutureWatcherBase::finished, this, [this] {
        // The watcher follows the latest future only, but a finish already queued for an
        // earlier one may still arrive: the generation decides.
        if (m_searchWatcher.future().resultCount() == 0)
            return;
        SearchOutcome outcome = m_searchWatcher.future().result();
        if (outcome.generation != m_generation || outcome.generation == m_publishedGeneration)
            return;
        m_publishedGeneration = outcome.generation;
        const bool cancelled = m_watch.finish();
        setResults(std::move(outcome.report.items));
        setState(FileSearchState::Searched);
        setMessage(cancelled ? QStringLiteral("搜索已取消，") + outcome.report.message : outcome.report.message);
        emit searchFinished();
    });
    connect(&m_cleanWatcher, &QFutureWatcherBase::finished, this, [this] {
        const CleanOutcome outcome = m_cleanWatcher.future().result();
        m_run.finish(outcome.result.message);
        if (!outcome.result.moved.isEmpty())
            Notifications::instance().postTrashContentsDidChange();
        // A search started during the clean owns the list, the state and the message now.
        if (outcome.generation == m_generation) {
            const QSet<QString> moved(outcome.result.moved.cbegin(), outcome.result.moved.cend());
            setResults(ViewModelSupport::without(m_results, &FileSearchResult::path, moved));
            setState(FileSearchState::Searched);
            setMessage(outcome.result.message);
        }
        emit cleanFinished();
        if (!m_pendingQuery.isEmpty())
            search(std::exchange(m_pendingQuery, QString()));
    });
}

FileSearchViewModel::~FileSearchViewModel() = default;

qint64 FileSearchViewModel::selectedSize() const
{
    return ViewModelSupport::selectedSize(m_results);
}

void FileSearchViewModel::search(const QString& query)
{
    const QString trimmed = FileSearchEngine::trimmedQuery(query);
    if (trimmed.isEmpty())
        return;
    if (!AccessManager::hasHomeAccess()) {
        setMessage(AccessManager::kNeedsHome);
        return;
    }
    // A new list during a clean would let a second clean start beside the first.
    if (m_cleanWatcher.isRunning()) {
        m_pendingQuery = trimmed;
        return;
    }
    const quint64 generation = ++m_generation;
    if (m_currentQuery != trimmed) {
        m_currentQuery = trimmed;
        emit currentQueryChanged();
    }
    setResults({});
    setState(FileSearchState::Searching);
    setMessage(FileSearchEngine::searchingMessage(trimmed));
    const QString home = AccessManager::homeDirectoryURL().path();
    // A search still running for an older query is stopped by the new start.
    m_searchWatcher.setFuture(runJob([home, trimmed, generation, progress = m_watch.start()] {
        return SearchOutcome{generation, FileSearchEngine::search(home, trimmed, progress)};
    }));
}

void FileSearchViewModel::cancelSearch()
{
    if (m_state == FileSearchState::Searching)
        m_watch.cancel();
}

void FileSearchViewModel::clean()
{
    if (m_state != FileSearchState::Searched || m_cleanWatcher.isRunning())
        return;
    const QList<FileSearchResult> selection = ViewModelSupport::selected(m_results);
    if (selection.isEmpty())
        return;
    setState(FileSearchState::Cleaning);
    setMessage(QStringLiteral("正在移到废纸篓…"));
    const quint64 generation = m_generation;
    m_cleanWatcher.setFuture(runJob(m_run.wrap(
        QStringLiteral("search"),
        [selection, generation] {
            return CleanOutcome{generation, FileSearchEngine::moveToTrash(selection)};
        },
        selection.size())));
}

void FileSearchViewModel::toggleSelection(const QString& path)
{
    if (ViewModelSupport::toggle(m_results, &FileSearchResult::path, path))
        emit selectionChanged();
}

void FileSearchViewModel::toggleAllSelection()
{
    if (ViewModelSupport::toggleAll(m_results, shownRows()))
        emit selectionChanged();
}

void FileSearchViewModel::setSortKey(ListSortKey key)
{
    if (ViewModelSupport::assign(m_arrangement.key, key))
        emit resultsChanged();
}

void FileSearchViewModel::setNameFilter(const QString& text)
{
    if (ViewModelSupport::assign(m_arrangement.nameFilter, text))
        emit resultsChanged();
}

void FileSearchViewModel::setState(FileSearchState state)
{
    if (ViewModelSupport::assign(m_state, state))
        emit stateChanged();
}

void FileSearchViewModel::setMessage(const QString& message)
{
    if (ViewModelSupport::assign(m_message, message))
        emit messageChanged();
}

void FileSearchViewModel::setResults(QList<FileSearchResult> results)
{
    if (results.isEmpty() && m_results.isEmpty())
        return;
    m_results = std::move(results);
    emit resultsChanged();
}

} // namespace Sweepora::Core
