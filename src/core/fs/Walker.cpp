#include "core/fs/Walker.h"

#include "core/platform/PathBytes.h"

#include "core/fs/PackageNames.h"
#include "core/fs/UniqueFd.h"
#include "core/fs/WalkShare.h"
#include "core/platform/Context.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/util/NameOrder.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/syscall.h>
#endif

namespace Sweepora::Core {
namespace {

constexpr int kMaxThreads = 16;
// getdents64 fills this; larger buffers were measured to bring nothing.
constexpr size_t kListingBufferSize = 32 * 1024;
// At most this many folders wait on the shared stack; beyond that a thread keeps what it
// finds for itself. Each waiting folder pins its parent's descriptor.
constexpr int kSharedStackLimit = 32;
// Descriptors one thread keeps open down its branch. Deeper trees close the highest
// ancestors and reopen them through ".." on the way back, so a tree of any depth fits in
// the descriptor limit even with six walks at once.
constexpr size_t kOpenLevelLimit = 24;
// Threads added to a cold walk keep fewer descriptors each, so that all of them, next to other
// walks, still fit in a default descriptor limit of 1,024.
constexpr size_t kAddedOpenLevelLimit = 8;
// Threads of a cold walk: enough reads in flight for a virtual disk or an SSD.
constexpr int kColdThreads = 16;
// Threads added to cold walks, in all of a context's walks at once: two walks' worth, for the quick
// cleanup's walks side by side.
constexpr int kMaxAddedThreads = 2 * (kColdThreads - 2);
// A walk that starts this soon after another one found the cache cold starts wide: a run of
// small walks (one per cache folder of a rule) is over before it could tell by itself.
constexpr long long kColdMemoryNanos = 2'000'000'000;
// A first getdents64 of a folder slower than this waited on the device (a cached one takes
// microseconds). A walk is cold when at least kColdMinimum listings, and one in kColdShare of
// them, were slow: preemption on a busy machine makes far fewer.
constexpr long long kSlowListingNanos = 250'000;
constexpr int kColdMinimum = 8;
constexpr int kColdShare = 8;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

long long monotonicNanos()
{
    timespec t;
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Calls f(name, length, d_type) for every entry of the folder but "." and "..".
// False when the listing failed part-way; the entries seen until then were passed on.
// `firstReadNanos`, when given, receives how long the folder's first read took.
template <class F> bool forEachListedEntry(int fd, char* buffer, long long* firstReadNanos, F&& f)
{
#ifdef __linux__
    // linux_dirent64: u64 d_ino, s64 d_off, u16 d_reclen, u8 d_type, then the NUL-terminated name.
    constexpr size_t kReclenOffset = 16;
    constexpr size_t kTypeOffset = 18;
    constexpr size_t kNameOffset = 19;
    for (;;) {
        const long long start = firstReadNanos != nullptr ? monotonicNanos() : 0;
        const long n = ::syscall(SYS_getdents64, fd, buffer, kListingBufferSize);
        if (firstReadNanos != nullptr) {
            *firstReadNanos = monotonicNanos() - start;
            firstReadNanos = nullptr;
        }
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (long offset = 0; offset < n;) {
            const char* record = buffer + offset;
            unsigned short length = 0;
            std::memcpy(&length, record + kReclenOffset, sizeof length);
            offset += length;
            const char* name = record + kNameOffset;
            if (!isDotOrDotDot(name))
                f(name, std::strlen(name), static_cast<unsigned char>(record[kTypeOffset]));
        }
    }
#else
    Q_UNUSED(buffer);
    Q_UNUSED(firstReadNanos);
    // fdopendir takes the descriptor it is given; the walk keeps its own.
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    DIR* dir = copy < 0 ? nullptr : ::fdopendir(copy);
    if (dir == nullptr) {
        if (copy >= 0)
            ::close(copy);
        return false;
    }
    errno = 0;
    while (const struct dirent* e = ::readdir(dir)) {
        if (!isDotOrDotDot(e->d_name))
            f(e->d_name, std::strlen(e->d_name), static_cast<unsigned char>(e->d_type));
        errno = 0;
    }
    const bool ok = errno == 0;
    ::closedir(dir);
    return ok;
#endif
}

// A folder descriptor that more than one thread needs: the folder's own walker and the
// threads that were handed some of its subfolders to open.
struct SharedFd
{
    explicit SharedFd(int descriptor) : fd(descriptor) {}
    ~SharedFd() { ::close(fd); }
    SharedFd(const SharedFd&) = delete;
    SharedFd& operator=(const SharedFd&) = delete;
    int fd;
};

struct Task
{
    std::shared_ptr<SharedFd> parent; // null for the root
    int rootFd = -1;                  // the root, opened from its scope before the walk
    std::string path;
    int depth = 0;
    bool package = false;
};

// A Trash folder that no walk enters, wherever it lies: what was trashed is never offered again.
struct TrashFolder
{
    std::string name;
    dev_t device = 0;
    ino_t inode = 0;
};

// Volume trashes (".Trash", ".Trash-1000") are known by their names alone.
bool isVolumeTrashName(const char* name, size_t length)
{
    return length >= 6 && std::memcmp(name, ".Trash", 6) == 0 && (length == 6 || name[6] == '-');
}

struct WalkState
{
    WalkOptions options;
    std::vector<TrashFolder> trashFolders;
    size_t rootLength = 0;
    bool handOff = false;

    // Cold detection, for a walk that may add threads.
    WalkShare* share = nullptr; // the context's, shared with the other walks
    bool timeListings = false;
    std::atomic<int> listings{0};
    std::atomic<int> slowListings{0};
    std::function<void()> widen;

    std::mutex mutex;
    std::condition_variable wake;
    std::vector<Task> tasks;
    std::atomic<int> taskCount{0};
    int busy = 0;
};

// One open folder on a thread's current branch, with the subfolders still to enter.
struct Level
{
    int fd = -1;                      // -1 once closed
    std::shared_ptr<SharedFd> shared; // owns fd once a subfolder was handed to another thread
    bool lost = false;                // closed and could not be reopened: rest of it dropped
    dev_t device = 0;                 // identity, recorded when the descriptor is closed early
    ino_t inode = 0;
    size_t pathLength = 0;
    int depth = 0;
    std::optional<WalkEntry::Identity> identity; // of the folder, read once when an entry asks
    std::string names;                           // per pending subfolder: package flag byte, name, NUL
    std::vector<quint32> starts;
    size_t next = 0;
};

} // namespace

class WalkThread
{
public:
    WalkThread(WalkState& state, WalkVisitor& visitor, size_t openLevelLimit = kOpenLevelLimit)
        : m_state(state), m_visitor(visitor), m_buffer(new char[kListingBufferSize]), m_openLevelLimit(openLevelLimit)
    {}

    void run()
    {
        Task task;
        while (take(task)) {
            walkTask(task);
            std::lock_guard lock(m_state.mutex);
            if (--m_state.busy == 0 && m_state.tasks.empty())
                m_state.wake.notify_all();
        }
    }

private:
    bool take(Task& task)
    {
        std::unique_lock lock(m_state.mutex);
        for (;;) {
            if (!m_state.tasks.empty()) {
                task = std::move(m_state.tasks.back());
                m_state.tasks.pop_back();
                m_state.taskCount.fetch_sub(1, std::memory_order_relaxed);
                ++m_state.busy;
                return true;
            }
            if (m_state.busy == 0)
                return false;
            m_state.wake.wait(lock);
        }
    }

    void walkTask(Task& task)
    {
        int fd = task.rootFd;
        if (task.parent) {
            const char* name = task.path.c_str() + task.path.rfind('/') + 1;
            fd = ::openat(task.parent->fd, name, kFolderFlags);
        }
        task.parent.reset();
        if (fd < 0)
            return; // unreadable or gone: passed over
        m_path.assign(task.path);
        m_active = 0;
        m_firstOpen = 0;
        enter(fd, task.depth, task.package);

        while (m_active > 0) {
            Level& top = m_levels[m_active - 1];
            if (top.fd < 0 || top.next >= top.starts.size()) {
                leave();
                continue;
            }
            const char* pending = top.names.data() + top.starts[top.next++];
            const bool package = pending[0] == '\1';
            const char* name = pending + 1;
            const int child = ::openat(top.fd, name, kFolderFlags);
            if (child < 0)
                continue;
            m_path.resize(top.pathLength);
            m_path.push_back('/');
            m_path.append(name);
            enter(child, top.depth + 1, package);
        }
    }

    void enter(int fd, int depth, bool package)
    {
        if (m_levels.size() == m_active)
            m_levels.emplace_back();
        Level& level = m_levels[m_active++];
        level.fd = fd;
        level.shared.reset();
        level.lost = false;
        level.pathLength = m_path.size();
        level.depth = depth;
        level.identity.reset();
        level.names.clear();
        level.starts.clear();
        level.next = 0;
        boundDescriptors();
        list(level, package);
    }

    void list(Level& level, bool package)
    {
        const WalkOptions& options = m_state.options;
        qint64 count = 0;
        long long readNanos = -1;
        const bool ok = forEachListedEntry(level.fd, m_buffer.get(), m_state.timeListings ? &readNanos : nullptr,
                                           [&](const char* name, size_t length, unsigned char type) {
                                               ++count;
                                               if (options.skipHidden && name[0] == '.')
                                                   return;
                                               WalkEntry entry(level.fd, std::string_view(name, length), m_path,
                                                               m_state.rootLength, level.depth + 1, &level.identity);
                                               switch (type) {
                                               case DT_REG:
                                                   entry.m_kind = EntryKind::regular;
                                                   break;
                                               case DT_DIR:
                                                   entry.m_kind = EntryKind::directory;
                                                   break;
                                               case DT_LNK:
                                                   entry.m_kind = EntryKind::symlink;
                                                   break;
                                               case DT_UNKNOWN: {
                                                   // Some file systems do not fill d_type: one stat, which the visitor
                                                   // reuses.
                                                   const WalkEntry::Metadata& m = entry.metadata();
                                                   if (!m.ok)
                                                       return; // gone since the listing
                                                   entry.m_kind = S_ISREG(m.mode)   ? EntryKind::regular
                                                                  : S_ISDIR(m.mode) ? EntryKind::directory
                                                                  : S_ISLNK(m.mode) ? EntryKind::symlink
                                                                                    : EntryKind::other;
                                                   break;
                                               }
                                               default:
                                                   entry.m_kind = EntryKind::other;
                                               }
                                               const bool isFolder = entry.m_kind == EntryKind::directory;
                                               if (isFolder && isTrash(level.fd, name, length))
                                                   return;
                                               entry.m_package = isFolder && hasPackageExtension(entry.m_name);
                                               const WalkAction action = m_visitor.visit(entry);
                                               if (isFolder && action == WalkAction::proceed &&
                                                   !(entry.m_package && options.skipPackageDescendants))
                                                   addSubfolder(level, entry.m_name, entry.m_package);
                                           });
        if (ok)
            m_visitor.folderListed(WalkFolder{m_path, level.depth, count, package});
        if (readNanos >= 0)
            noteListing(readNanos);
    }

    // Counts locally and publishes every few listings, so that timing costs a warm walk nothing
    // measurable.
    void noteListing(long long nanos)
    {
        ++m_listings;
        if (nanos > kSlowListingNanos)
            ++m_slowListings;
        if (m_listings < 16 && m_slowListings < kColdMinimum)
            return;
        const int listings = m_state.listings.fetch_add(m_listings, std::memory_order_relaxed) + m_listings;
        const int slow = m_state.slowListings.fetch_add(m_slowListings, std::memory_order_relaxed) + m_slowListings;
        m_listings = m_slowListings = 0;
        if (slow >= kColdMinimum && slow * kColdShare >= listings) {
            m_state.share->lastColdNanos.store(monotonicNanos(), std::memory_order_relaxed);
            m_state.widen();
        }
    }

    bool isTrash(int folderFd, const char* name, size_t length) const
    {
        if (isVolumeTrashName(name, length))
            return true;
        for (const TrashFolder& trash : m_state.trashFolders) {
            if (trash.name.size() != length || std::memcmp(trash.name.data(), name, length) != 0)
                continue;
            struct stat st;
            if (::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == trash.device &&
                st.st_ino == trash.inode)
                return true;
        }
        return false;
    }

    void addSubfolder(Level& level, std::string_view name, bool package)
    {
        if (m_state.handOff && m_state.taskCount.load(std::memory_order_relaxed) < kSharedStackLimit) {
            if (!level.shared)
                level.shared = std::make_shared<SharedFd>(level.fd);
            Task task;
            task.parent = level.shared;
            task.path.reserve(m_path.size() + 1 + name.size());
            task.path.append(m_path).append(1, '/').append(name);
            task.depth = level.depth + 1;
            task.package = package;
            {
                std::lock_guard lock(m_state.mutex);
                m_state.tasks.push_back(std::move(task));
                m_state.taskCount.fetch_add(1, std::memory_order_relaxed);
            }
            m_state.wake.notify_one();
            return;
        }
        level.starts.push_back(static_cast<quint32>(level.names.size()));
        level.names.push_back(package ? '\1' : '\0');
        level.names.append(name);
        level.names.push_back('\0');
    }

    static void close(Level& level)
    {
        if (level.shared)
            level.shared.reset();
        else if (level.fd >= 0)
            ::close(level.fd);
        level.fd = -1;
    }

    void boundDescriptors()
    {
        while (m_active - m_firstOpen > m_openLevelLimit) {
            Level& ancestor = m_levels[m_firstOpen++];
            if (ancestor.fd < 0)
                continue;
            struct stat st;
            if (::fstat(ancestor.fd, &st) == 0) {
                ancestor.device = st.st_dev;
                ancestor.inode = st.st_ino;
            } else {
                ancestor.lost = true;
            }
            close(ancestor);
        }
    }

    void leave()
    {
        const size_t top = m_active - 1;
        if (top > 0) {
            Level& parent = m_levels[top - 1];
            if (parent.fd < 0 && !parent.lost)
                reopen(parent, m_levels[top]);
            m_firstOpen = std::min(m_firstOpen, top - 1);
        }
        close(m_levels[top]);
        --m_active;
    }

    // The parent of a folder whose descriptor was closed to stay within the limit: "..",
    // accepted only when it is still the same folder (the tree may have moved meanwhile).
    static void reopen(Level& parent, const Level& child)
    {
        const int fd = child.fd < 0 ? -1 : ::openat(child.fd, "..", kFolderFlags);
        struct stat st;
        if (fd >= 0 && ::fstat(fd, &st) == 0 && st.st_dev == parent.device && st.st_ino == parent.inode) {
            parent.fd = fd;
            return;
        }
        if (fd >= 0)
            ::close(fd);
        parent.lost = true;
    }

    WalkState& m_state;
    WalkVisitor& m_visitor;
    std::unique_ptr<char[]> m_buffer;
    std::string m_path;
    std::vector<Level> m_levels; // reused between folders and tasks; only the first m_active are live
    size_t m_active = 0;
    size_t m_firstOpen = 0; // levels below this index have had their descriptor closed
    size_t m_openLevelLimit;
    int m_listings = 0;
    int m_slowListings = 0;
};

namespace {

WalkOptions::Growth growthOf(const WalkOptions& options)
{
    static const std::optional<WalkOptions::Growth> forced = []() -> std::optional<WalkOptions::Growth> {
        const QByteArray value = qgetenv("SWEEPORA_WALK_GROWTH");
        if (value == "fixed")
            return WalkOptions::Growth::fixed;
        if (value == "widest")
            return WalkOptions::Growth::widest;
        return std::nullopt;
    }();
    return forced.value_or(options.growth);
}

// The walking threads besides the caller's: those it starts with, and those a cold walk adds
// (once, from whichever thread finds the walk cold), each on its own visitor.
class WalkCrew
{
public:
    WalkCrew(WalkState& state, std::span<WalkVisitor* const> visitors) : m_state(state), m_visitors(visitors) {}
    ~WalkCrew()
    {
        // Every thread is joined before the visitors' owner merges them; threads added after
        // the walk ran dry find nothing to take and end at once.
        for (size_t joined = 0;; ++joined) {
            std::unique_lock lock(m_mutex);
            if (joined == m_threads.size())
                break;
            std::thread& t = m_threads[joined];
            lock.unlock();
            t.join();
        }
        m_state.share->addedThreads.fetch_sub(m_added);
    }
    WalkCrew(const WalkCrew&) = delete;
    WalkCrew& operator=(const WalkCrew&) = delete;

    void start(size_t count, size_t openLevelLimit)
    {
        std::lock_guard lock(m_mutex);
        for (; count > 0 && m_started < m_visitors.size(); --count) {
            try {
                m_threads.emplace_back([this, visitor = m_visitors[m_started], openLevelLimit] {
                    WalkThread(m_state, *visitor, openLevelLimit).run();
                });
            } catch (const std::system_error&) {
                return; // no thread to spare: the others do the work
            }
            ++m_started;
        }
    }

    void widen()
    {
        std::call_once(m_widened, [this] {
            int wanted = 0;
            {
                std::lock_guard lock(m_mutex); // the first threads may still be starting
                wanted = static_cast<int>(m_visitors.size() - m_started);
            }
            std::atomic<int>& budget = m_state.share->addedThreads;
            int added = budget.load();
            int granted = 0;
            do
                granted = std::min(wanted, kMaxAddedThreads - added);
            while (granted > 0 && !budget.compare_exchange_weak(added, added + granted));
            if (granted <= 0)
                return;
            m_added = granted;
            m_state.share->walksWidened.fetch_add(1);
            start(static_cast<size_t>(granted), kAddedOpenLevelLimit);
        });
    }

private:
    WalkState& m_state;
    std::span<WalkVisitor* const> m_visitors;
    std::mutex m_mutex;
    std::deque<std::thread> m_threads; // stable while the destructor joins and a thread is added
    size_t m_started = 1;              // visitors[0] is the caller's thread
    int m_added = 0;
    std::once_flag m_widened;
};

} // namespace

int Walker::threadCount(const WalkOptions& options)
{
    const int threads = std::clamp(options.threads, 1, kMaxThreads);
    // A walk of one thread is a small one, kept that way.
    return threads > 1 && growthOf(options) != WalkOptions::Growth::fixed ? std::max(threads, kColdThreads) : threads;
}

int Walker::walksWidened()
{
    return Context::current().walks().walksWidened.load();
}

namespace {

// The Trash folders of the platform layout, by name and identity.
std::vector<TrashFolder> knownTrashFolders(QStringList* paths)
{
    const PlatformLayout& layout = PlatformLayout::current();
    std::vector<TrashFolder> folders;
    for (const QString& path : {layout.dataHome + QStringLiteral("/Trash"), layout.trashFolder}) {
        const QByteArray bytes = bytesFromPath(path);
        struct stat st;
        if (path.isEmpty() || ::stat(bytes.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        folders.push_back({bytes.mid(bytes.lastIndexOf('/') + 1).toStdString(), st.st_dev, st.st_ino});
        paths->append(standardizedPath(path));
        if (char* real = ::realpath(bytes.constData(), nullptr)) {
            paths->append(pathFromBytes(QByteArray(real)));
            std::free(real);
        }
    }
    return folders;
}

} // namespace

void Walker::walk(const QString& root, const WalkOptions& options, std::span<WalkVisitor* const> visitors)
{
    const size_t available = std::min(static_cast<size_t>(threadCount(options)), visitors.size());
    if (available == 0 || root.isEmpty())
        return;

    const QString standardized = standardizedPath(root);
    QStringList trashPaths;
    std::vector<TrashFolder> trashFolders = knownTrashFolders(&trashPaths);
    for (const QString& trash : std::as_const(trashPaths))
        if (Sandbox::isWithin(trash, standardized))
            return;
    // The root is reached from its scope without following a link on the way.
    UniqueFd rootFd = Sandbox::openFolder(standardized, Sandbox::Access::read, kFolderFlags);
    if (!rootFd.valid())
        return;
    struct stat rootSt;
    if (::fstat(rootFd.get(), &rootSt) != 0)
        return;
    for (const TrashFolder& trash : trashFolders)
        if (rootSt.st_dev == trash.device && rootSt.st_ino == trash.inode)
            return;
    Task rootTask;
    rootTask.rootFd = rootFd.release();
    if (standardized != QLatin1String("/"))
        rootTask.path = bytesFromPath(standardized).toStdString();
    rootTask.package = hasPackageExtension(lastPathComponent(standardized));

    WalkState state;
    state.share = &Context::current().walks();
    state.options = options;
    state.trashFolders = std::move(trashFolders);
    state.rootLength = rootTask.path.size();
    state.handOff = available > 1;
    state.tasks.push_back(std::move(rootTask));
    state.taskCount = 1;

    const WalkOptions::Growth growth = growthOf(options);
    const size_t initial = growth == WalkOptions::Growth::widest
                               ? available
                               : std::min(static_cast<size_t>(std::clamp(options.threads, 1, kMaxThreads)), available);
    WalkCrew crew(state, visitors.first(available));
    state.timeListings = growth == WalkOptions::Growth::adaptive && available > initial;
    state.widen = [&crew] { crew.widen(); };
    crew.start(initial - 1, kOpenLevelLimit);
    if (state.timeListings && monotonicNanos() - state.share->lastColdNanos.load() < kColdMemoryNanos)
        crew.widen();
    WalkThread(state, *visitors[0]).run();
}

} // namespace Sweepora::Core
