#pragma once

#include "core/fs/WalkProgress.h"
#include "core/scanners/EmptyFolderEngine.h"
#include "core/scanners/MiscFileEngine.h"

#include <QDateTime>
#include <QFuture>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace Sweepora::Core {

// Scans of the home folder started together that share one walk: every entry is listed and
// stat'ed once and handed to each scan, and each scan still gets its own report through its
// own future, exactly what it would have found walking alone. The scans added here all skip
// hidden entries and do not enter packages, so one walk serves them all.
//
// Add the scans, then start(): one job on the job pool walks for all of them. A scan started
// on its own walks on its own; this is only for scans that start at the same moment.
class SharedHomeWalk
{
public:
    // `progress`: the walk's counters and cancel, where the caller keeps them.
    explicit SharedHomeWalk(QString home, std::shared_ptr<WalkProgress> progress = std::make_shared<WalkProgress>());
    // Starts the walk when start() was not called, so no future is left without a result.
    ~SharedHomeWalk();
    SharedHomeWalk(const SharedHomeWalk&) = delete;
    SharedHomeWalk& operator=(const SharedHomeWalk&) = delete;

    QFuture<MiscFileEngine::Report> addFileScan(MiscFileCategory category, const std::optional<QDateTime>& cutoff);
    QFuture<EmptyFolderEngine::Report> addEmptyFolderScan();

    // Nothing can be added afterwards; a second call does nothing.
    void start();
    // Walks on the calling thread and fulfils every future before returning (the command line
    // waits anyway).
    void run();

    qsizetype scanCount() const { return static_cast<qsizetype>(m_scans.size()); }
    // What the one walk has covered; cancelling it stops every scan on it, each keeping what it
    // found so far.
    const std::shared_ptr<WalkProgress>& progress() const { return m_progress; }

    class Scan;

private:
    QString m_home;
    int m_threads;
    std::vector<std::unique_ptr<Scan>> m_scans;
    bool m_started = false;
    std::shared_ptr<WalkProgress> m_progress;
};

} // namespace Sweepora::Core
