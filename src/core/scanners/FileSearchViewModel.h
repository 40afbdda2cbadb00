#pragma once

#include "scanners/FileSearchEngine.h"
#include "scanners/ScanWatch.h"
#include "trash/CleanRun.h"
#include "util/ListArrangement.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>

namespace Sweepora::Core {

enum class FileSearchState { Ready, Searching, Searched, Cleaning };

// The file search behind 文件搜索: the window hands it the title bar's query; it lists the
// regular files of the home folder whose name contains the query, largest first, and moves the
// ticked ones to the Trash. Published state changes on the GUI thread only.
//
// A search may start while another runs. Only the search started last publishes: an earlier
// one that ends later, or sooner, hands back nothing, so the list, the query and the message
// always belong to one search.
class FileSearchViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Sweepora::Core::FileSearchState state READ state NOTIFY stateChanged)
    Q_PROPERTY(QList<Sweepora::Core::FileSearchResult> results READ results NOTIFY resultsChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    Q_PROPERTY(QString currentQuery READ currentQuery NOTIFY currentQueryChanged)

public:
    explicit FileSearchViewModel(QObject* parent = nullptr);
    ~FileSearchViewModel() override;

    FileSearchState state() const { return m_state; }
    const QList<FileSearchResult>& results() const { return m_results; }
    const QString& message() const { return m_message; }
    // The running clean's progress and cancel, then the undo of the last clean.
    CleanRun& cleanRun() { return m_run; }
    // The running search's walk: what it covered so far.
    ScanWatch& scanWatch() { return m_watch; }
    const QString& currentQuery() const { return m_currentQuery; }
    qint64 selectedSize() const;
    // The order and name filter of the hits shown; they outlive searches and cleans, and a
    // change is published as resultsChanged.
    const ListArrangement& arrangement() const { return m_arrangement; }
    void setSortKey(ListSortKey key);
    void setNameFilter(const QString& text);
    // The indexes into results() of the rows shown, in their order.
    QList<qsizetype> shownRows() const { return m_arrangement.shown(m_results); }

    void search(const QString& query);
    // Stops the running search; the hits found so far are listed.
    void cancelSearch();
    void clean();
    // A change of ticks alone is published as selectionChanged, not resultsChanged: the rows
    // stay, only their checkboxes change.
    void toggleSelection(const QString& path);
    // Ticks all rows shown, or clears them when all of them are ticked.
    void toggleAllSelection();

signals:
    void stateChanged();
    void resultsChanged();
    void selectionChanged();
    void messageChanged();
    void currentQueryChanged();
    // The search started last handed its result back (after the state changed).
    void searchFinished();
    void cleanFinished();

private:
    struct SearchOutcome
    {
        quint64 generation = 0;
        FileSearchEngine::Report report;
    };
    struct CleanOutcome
    {
        quint64 generation = 0; // of the search whose list was cleaned
        TrashBatchResult result;
    };

    void setState(FileSearchState state);
    void setMessage(const QString& message);
    void setResults(QList<FileSearchResult> results);

    FileSearchState m_state = FileSearchState::Ready;
    QList<FileSearchResult> m_results;
    QString m_message = QStringLiteral("在右上角输入文件名开始搜索");
    QString m_currentQuery;
    // A search asked for while a clean runs: it starts when the clean has handed back.
    QString m_pendingQuery;
    // Counts the searches started; a search publishes only while it is the latest.
    quint64 m_generation = 0;
    quint64 m_publishedGeneration = 0;

    ScanWatch m_watch;
    QFutureWatcher<SearchOutcome> m_searchWatcher;
    QFutureWatcher<CleanOutcome> m_cleanWatcher;
    CleanRun m_run;
    ListArrangement m_arrangement;
};

} // namespace Sweepora::Core
