#include "core/fs/WalkProgress.h"

#include "core/fs/WalkFanOut.h"
#include "core/platform/PathBytes.h"

namespace Sweepora::Core {

namespace {
// Naming the current folder costs a conversion and a lock: one folder in so many is enough for
// a line that changes a few times a second.
constexpr qint64 kNameEvery = 16;
} // namespace

void WalkProgress::folderListed(const WalkFolder& folder)
{
    m_entries.fetch_add(folder.entryCount, std::memory_order_relaxed);
    const qint64 count = m_folders.fetch_add(1, std::memory_order_relaxed) + 1;
    if (count % kNameEvery != 1 || !m_lock.tryLock())
        return;
    m_current = pathFromBytes(QByteArray(folder.path.data(), static_cast<qsizetype>(folder.path.size())));
    m_lock.unlock();
}

qint64 WalkProgress::files() const
{
    // Every listed folder but the root is an entry of its parent.
    return std::max<qint64>(0, m_entries.load(std::memory_order_relaxed) - folders() + 1);
}

QString WalkProgress::currentFolder() const
{
    const QMutexLocker lock(&m_lock);
    return m_current;
}

void walkWatched(const QString& root, const WalkOptions& options, const std::vector<WalkVisitor*>& visitors,
                 const std::shared_ptr<WalkProgress>& progress)
{
    if (!progress) {
        Walker::walk(root, options, visitors);
        return;
    }
    std::vector<WatchedVisitor<WalkFanOut>> watched;
    watched.reserve(visitors.size());
    for (WalkVisitor* v : visitors)
        watched.emplace_back(WalkFanOut({v}), progress);
    std::vector<WalkVisitor*> pointers;
    for (WatchedVisitor<WalkFanOut>& w : watched)
        pointers.push_back(&w);
    Walker::walk(root, options, pointers);
}

} // namespace Sweepora::Core
