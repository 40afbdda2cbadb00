#pragma once

#include "core/scanners/FileListViewModel.h"
#include "core/scanners/FileSearchEngine.h"

#include <QFutureWatcher>
#include <QList>
#include <QString>

namespace Sweepora::Core {

// The file search's state is the scanners' one: Scanning while it searches, Scanned once it
// has searched (it never authorizes).
using FileSearchState = ScanState;

// The file search behind 文件搜索: the window hands it the title bar's query; it lists the
// regular files of the home folder whose name contains the query, largest first, and moves the
// ticked ones to the Trash. A search keeps the last clean's undo. Published state changes on the
// GUI thread only.
//
// A search may start while another runs. Only the search started last publishes: an earlier
// one that ends later, or sooner, hands back nothing, so the list, the query and the message
// always belong to one search.
class FileSearchViewModel : public FileListViewModel
{
    Q_OBJECT
    Q_PROPERTY(QList<Sweepora::Core::FileSearchResult> results READ results NOTIFY resultsChanged)
    Q_PROPERTY(QString currentQuery READ currentQuery NOTIFY currentQueryChanged)

public:
    explicit FileSearchViewModel(QObject* parent = nullptr);
    ~FileSearchViewModel() override;

    const QList<FileSearchResult>& results() const { return m_results; }
    const QString& currentQuery() const { return m_currentQuery; }
    qint64 selectedSize() const;
    // The indexes into results() of the rows shown, in their order.
    QList<qsizetype> shownRows() const { return arrangement().shown(m_results); }

    // While a clean runs, the query waits for the clean to hand back.
    void search(const QString& query);
    void clean();
    // A change of ticks alone is published as selectionChanged, not resultsChanged: the rows
    // stay, only their checkboxes change.
    void toggleSelection(const QString& path);
    // Ticks all rows shown, or clears them when all of them are ticked.
    void toggleAllSelection();

signals:
    // filesChanged under the name the page knows.
    void resultsChanged();
    void selectionChanged();
    void currentQueryChanged();

protected:
    void removeCleaned(const QSet<QString>& done) override;
    void afterClean() override;

private:
    struct SearchOutcome
    {
        quint64 generation = 0;
        FileSearchEngine::Report report;
    };

    QList<FileSearchResult> m_results;
    QString m_currentQuery;
    // A search asked for while a clean runs: it starts when the clean has handed back.
    QString m_pendingQuery;
    // Counts the searches started; a search publishes only while it is the latest.
    quint64 m_generation = 0;
    quint64 m_publishedGeneration = 0;

    QFutureWatcher<SearchOutcome> m_searchWatcher;
};

} // namespace Sweepora::Core
