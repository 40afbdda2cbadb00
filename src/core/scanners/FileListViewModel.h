#pragma once

#include "core/scanners/ScanWatch.h"
#include "core/trash/CleanRun.h"
#include "core/util/ListArrangement.h"
#include "core/util/ScanState.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace Sweepora::Core {

// What the cleaners of a ticked list share (large files, duplicates, files found by name or by
// search, empty folders, rule results, application caches): the published state and message,
// their signals, the guards of a scan and a clean, and the clean's hand-back. Published state
// changes on the GUI thread only; states used: Ready, Authorizing (only scans that ask for the
// home grant first), Scanning, Scanned, Cleaning.
class FileListViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Sweepora::Core::ScanState state READ state NOTIFY stateChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)

public:
    ~FileListViewModel() override;

    ScanState state() const { return m_state; }
    const QString& message() const { return m_message; }
    // The running clean's progress and cancel, then the undo of the last clean.
    CleanRun& cleanRun() { return m_run; }
    // The running scan's walk: what it covered so far.
    ScanWatch& scanWatch() { return m_watch; }
    // Stops the running scan; what it found so far is listed.
    void cancelScan();

    // The order and name filter of the list shown. They outlive scans and cleans; the list and
    // its ticks stay as they are, and the change is published as filesChanged.
    const ListArrangement& arrangement() const { return m_arrangement; }
    void setSortKey(ListSortKey key);
    void setNameFilter(const QString& text);

signals:
    void stateChanged();
    void filesChanged();
    void messageChanged();
    // A scan or a clean handed its result back (after the state changed).
    void scanFinished();
    void cleanFinished();

protected:
    // Whether a finished scan forgets the last clean's undo, as a list the undo referred to is gone.
    enum class AfterScan { forgetUndo, keepUndo };

    FileListViewModel(QString initialMessage, QObject* parent, AfterScan afterScan = AfterScan::forgetUndo);

    // What a clean hands back: its message, whether anything reached the Trash, and the keys of
    // the items it completed (which leave the list).
    struct CleanHandBack
    {
        QString message;
        bool movedAny = false;
        QSet<QString> done;
    };
    // A clean's outcome as handed back: `done` is its `completedIDs` when it has them, else the
    // paths it moved.
    template <class Outcome> static CleanHandBack handBack(const Outcome& outcome);

    // Not while busy, and only with the home grant (else the message says so).
    bool mayStartScan();
    // The home grant alone; without it the message says so.
    bool hasHomeGrant();
    // After the list was replaced by a scan's result.
    void finishScan(const QString& message);
    // Only from the scanned state and with something ticked (`hasSelection`); the job moves it.
    bool mayClean(bool hasSelection) const;
    // `job` runs on the job pool as one journal batch of `section`, handing over `total` items
    // (0: not known beforehand); its outcome goes through handBack().
    template <class Job>
    void startClean(const QString& section, Job job, qsizetype total = 0,
                    const QString& message = QStringLiteral("正在移到废纸篓…"))
    {
        startCleanJob(
            section, [job = std::move(job)] { return handBack(job()); }, total, message);
    }
    // Drops the items the clean completed from the list; what failed stays ticked.
    virtual void removeCleaned(const QSet<QString>& done) = 0;
    // Called last when a clean handed back, after cleanFinished.
    virtual void afterClean() {}

    void setState(ScanState state);
    void setMessage(const QString& message);

private:
    void startCleanJob(const QString& section, std::function<CleanHandBack()> job, qsizetype total,
                       const QString& message);

    ScanState m_state = ScanState::ready;
    QString m_message;
    CleanRun m_run;
    ScanWatch m_watch;
    ListArrangement m_arrangement;
    const AfterScan m_afterScan;
    // Owned by the view model: when it goes, a clean still running publishes nothing.
    QFutureWatcher<CleanHandBack> m_cleanWatcher;
};

template <class Outcome> FileListViewModel::CleanHandBack FileListViewModel::handBack(const Outcome& outcome)
{
    CleanHandBack back{outcome.message, !outcome.moved.isEmpty(), {}};
    if constexpr (requires { outcome.completedIDs; })
        back.done = outcome.completedIDs;
    else
        back.done = QSet<QString>(outcome.moved.cbegin(), outcome.moved.cend());
    return back;
}

} // namespace Sweepora::Core
