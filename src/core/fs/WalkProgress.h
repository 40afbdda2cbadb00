#pragma once

#include "core/fs/WalkVisitor.h"
#include "core/fs/Walker.h"

#include <QMutex>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

namespace Sweepora::Core {

// What a walk has covered so far, shared by its walking threads and read by whoever shows it,
// and the request to stop it. The counts only grow; the current folder is one that some thread
// listed lately (it is taken now and then, not for every folder).
class WalkProgress
{
public:
    void folderListed(const WalkFolder& folder);

    qint64 folders() const { return m_folders.load(std::memory_order_relaxed); }
    // Entries that are not folders the walk listed (files, links, folders it passed over).
    qint64 files() const;
    QString currentFolder() const;

    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

private:
    std::atomic<qint64> m_folders{0};
    std::atomic<qint64> m_entries{0};
    std::atomic<bool> m_cancelled{false};
    mutable QMutex m_lock;
    QString m_current;
};

// A scanner's visitor that also counts into `progress`, and that enters no further folder once
// the progress is cancelled: the walk then winds down within the folders it already holds.
template <class Inner> class WatchedVisitor final : public WalkVisitor
{
public:
    WatchedVisitor(Inner visitor, std::shared_ptr<WalkProgress> progress)
        : inner(std::move(visitor)), m_progress(std::move(progress))
    {}

    WalkAction visit(const WalkEntry& entry) override
    {
        if (m_progress && m_progress->isCancelled())
            return WalkAction::skipChildren;
        return inner.visit(entry);
    }
    void folderListed(const WalkFolder& folder) override
    {
        if (m_progress)
            m_progress->folderListed(folder);
        inner.folderListed(folder);
    }

    Inner inner;

private:
    std::shared_ptr<WalkProgress> m_progress;
};

// Walks `root` with one visitor per thread, as Walker::walk() does, counted into `progress` and
// stopped by its cancel; without a progress, a plain walk.
void walkWatched(const QString& root, const WalkOptions& options, const std::vector<WalkVisitor*>& visitors,
                 const std::shared_ptr<WalkProgress>& progress);

} // namespace Sweepora::Core
