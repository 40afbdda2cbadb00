#include "scanners/FileSearchViewModel.h"

#include "access/AccessManager.h"
#include "platform/Jobs.h"
#include "platform/Notifications.h"
#include "scanners/ItemSelection.h"
#include "util/Published.h"

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
        setResults(std::move(outcome.report.items));
        setState(FileSearchState::Searched);
        setMessage(outcome.report.message);
        emit searchFinished();
    });
    connect(&m_cleanWatcher, &QFutureWatcherBase::finished, this, [this] {
        const CleanOutcome outcome = m_cleanWatcher.future().result();
        if (!outcome.result.moved.isEmpty())
            Notifications::instance().postTrashContentsDidChange();
        // A search started during the clean owns the list, the state and the message now.
        if (outcome.generation == m_generation) {
            QList<FileSearchResult> remaining = m_results;
            ItemSelection::removeMoved(remaining, outcome.result.moved);
            setResults(std::move(remaining));
            setState(FileSearchState::Searched);
            setMessage(outcome.result.message);
        }
        emit cleanFinished();
    });
}

FileSearchViewModel::~FileSearchViewModel() = default;

qint64 FileSearchViewModel::selectedSize() const
{
    return ItemSelection::selectedSize(m_results);
}

void FileSearchViewModel::search(const QString& query)
{
    const QString trimmed = FileSearchEngine::trimmedQuery(query);
    if (trimmed.isEmpty())
        return;
    if (!AccessManager::hasHomeAccess()) {
        setMessage(QStringLiteral("请先授权个人文件夹"));
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
    m_searchWatcher.setFuture(runJob([home, trimmed, generation] {
        return SearchOutcome{generation, FileSearchEngine::search(home, trimmed)};
    }));
}

void FileSearchViewModel::clean()
{
    if (m_state != FileSearchState::Searched)
        return;
    QList<FileSearchResult> selection;
    for (const FileSearchResult& r : std::as_const(m_results))
        if (r.selected)
            selection.append(r);
    if (selection.isEmpty())
        return;
    setState(FileSearchState::Cleaning);
    setMessage(QStringLiteral("正在移到废纸篓…"));
    const quint64 generation = m_generation;
    m_cleanWatcher.setFuture(runJob([selection, generation] {
        return CleanOutcome{generation, FileSearchEngine::moveToTrash(selection)};
    }));
}

void FileSearchViewModel::toggleSelection(const QString& path)
{
    if (ItemSelection::toggle(m_results, path))
        emit resultsChanged();
}

void FileSearchViewModel::toggleAllSelection()
{
    if (ItemSelection::toggleAll(m_results))
        emit resultsChanged();
}

void FileSearchViewModel::setState(FileSearchState state)
{
    publish(this, m_state, state, &FileSearchViewModel::stateChanged);
}

void FileSearchViewModel::setMessage(const QString& message)
{
    publish(this, m_message, message, &FileSearchViewModel::messageChanged);
}

void FileSearchViewModel::setResults(QList<FileSearchResult> results)
{
    if (results.isEmpty() && m_results.isEmpty())
        return;
    m_results = std::move(results);
    emit resultsChanged();
}

} // namespace Sweepora::Core
