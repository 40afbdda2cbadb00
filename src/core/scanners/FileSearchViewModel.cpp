#include "core/scanners/FileSearchViewModel.h"

#include "core/access/AccessManager.h"
#include "core/platform/Jobs.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ViewModelSupport.h"

#include <utility>

namespace Sweepora::Core {

FileSearchViewModel::FileSearchViewModel(QObject* parent)
    : FileListViewModel(QStringLiteral("在右上角输入文件名开始搜索"), parent, AfterScan::keepUndo)
{
    connect(this, &FileListViewModel::filesChanged, this, &FileSearchViewModel::resultsChanged);
    connect(&m_searchWatcher, &QFutureWatcherBase::finished, this, [this] {
        // The watcher follows the latest future only, but a finish already queued for an
        // earlier one may still arrive: the generation decides.
        if (m_searchWatcher.future().resultCount() == 0)
            return;
        SearchOutcome outcome = m_searchWatcher.future().result();
        if (outcome.generation != m_generation || outcome.generation == m_publishedGeneration)
            return;
        m_publishedGeneration = outcome.generation;
        const bool cancelled = scanWatch().finish();
        m_results = std::move(outcome.report.items);
        const QString found = SectionTexts::searchFound(m_results.size(), outcome.report.query);
        finishScan(cancelled ? QStringLiteral("搜索已取消，") + found : found);
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
    if (trimmed.isEmpty() || !hasHomeGrant())
        return;
    // A new list during a clean would let a second clean start beside the first. The state, not
    // the clean's future, decides: the list stays the clean's until its result was handed back.
    if (state() == ScanState::cleaning) {
        m_pendingQuery = trimmed;
        return;
    }
    const quint64 generation = ++m_generation;
    if (ViewModelSupport::assign(m_currentQuery, trimmed))
        emit currentQueryChanged();
    if (!m_results.isEmpty()) {
        m_results.clear();
        emit filesChanged();
    }
    setState(ScanState::scanning);
    setMessage(SectionTexts::searching(trimmed));
    const QString home = AccessManager::homeDirectoryURL().path();
    // A search still running for an older query is stopped by the new start.
    m_searchWatcher.setFuture(runJob([home, trimmed, generation, progress = scanWatch().start()] {
        return SearchOutcome{generation, FileSearchEngine::search(home, trimmed, progress)};
    }));
}

void FileSearchViewModel::clean()
{
    const QList<FileSearchResult> selection = ViewModelSupport::selected(m_results);
    if (!mayClean(!selection.isEmpty()))
        return;
    startClean(
        QStringLiteral("search"), [selection] { return FileSearchEngine::moveToTrash(selection); }, selection.size());
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

void FileSearchViewModel::removeCleaned(const QSet<QString>& done)
{
    m_results = ViewModelSupport::without(m_results, &FileSearchResult::path, done);
}

void FileSearchViewModel::afterClean()
{
    if (!m_pendingQuery.isEmpty())
        search(std::exchange(m_pendingQuery, QString()));
}

} // namespace Sweepora::Core
