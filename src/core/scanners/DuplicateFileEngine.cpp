#include "core/scanners/DuplicateFileEngine.h"

#include "core/fs/ResolveBeneath.h"
#include "core/fs/UniqueFd.h"
#include "core/fs/Walker.h"
#include "core/platform/Jobs.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/trash/ProtectedPlaces.h"
#include "core/trash/TrashGateway.h"

#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

namespace Sweepora::Core::DuplicateFileEngine {
namespace {

// The partial hash reads this much from each end; a file of at most twice this is read whole
// by it, and its partial hash is its full hash.
constexpr qint64 kEdge = 16 * 1024;
// Each hashing thread reads through one buffer of this size, whatever the size of the file.
constexpr size_t kBufferSize = 1024 * 1024;
constexpr int kHashThreads = 2;

struct Candidate
{
    std::string path; // file-system bytes
    qint64 size = 0;
    ItemIdentity identity;
    quint32 root = 0; // which of the walked roots it was found below
};

// A walked root, opened once: every candidate below it is opened from this descriptor.
struct Root
{
    std::string path;
    UniqueFd fd;
};

class Collector final : public WalkVisitor
{
public:
    Collector(qint64 minimum, quint32 root, const std::atomic<bool>* cancelled)
        : m_minimum(minimum), m_root(root), m_cancelled(cancelled)
    {}

    WalkAction visit(const WalkEntry& entry) override
    {
        if (m_cancelled && m_cancelled->load(std::memory_order_relaxed))
            return WalkAction::skipChildren;
        if (!entry.isRegularFile())
            return WalkAction::proceed;
        const qint64 size = entry.logicalSize().value_or(0);
        if (size > 0 && size >= m_minimum) {
            ItemIdentity identity = ItemIdentity::of(entry);
            if (identity.known)
                files.push_back({entry.path(), size, identity, m_root});
        }
        return WalkAction::proceed;
    }

    std::vector<Candidate> files;

private:
    qint64 m_minimum;
    quint32 m_root;
    const std::atomic<bool>* m_cancelled;
};

struct Hash128
{
    quint64 low = 0;
    quint64 high = 0;
    friend bool operator==(const Hash128&, const Hash128&) = default;
    friend auto operator<=>(const Hash128&, const Hash128&) = default;
};

Hash128 toHash(XXH128_hash_t h)
{
    return {h.low64, h.high64};
}

QByteArray hashBytes(const Hash128& h)
{
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH128_hash_t{h.low, h.high});
    return QByteArray(reinterpret_cast<const char*>(canonical.digest), sizeof canonical.digest);
}

// What hashing learnt of one candidate.
struct Hashed
{
    Hash128 hash;
    qint64 modifiedMSecs = 0;
    bool ok = false;
    bool whole = false; // the hash covers the whole content
};

constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

// Keeps `fd` only while it is a regular file and the one the walk saw, with the size it saw.
UniqueFd sameFile(UniqueFd fd, const ItemIdentity& identity, qint64 size, struct stat& st)
{
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<quint64>(st.st_dev) != identity.device || static_cast<quint64>(st.st_ino) != identity.inode ||
        static_cast<qint64>(st.st_size) != size)
        return {};
    return fd;
}

// Reading a file should not touch its access time, but O_NOATIME is for the owner only.
template <class Open> UniqueFd openForReading(Open&& open)
{
    UniqueFd fd(open(kReadFlags | O_NOATIME));
    if (!fd.valid() && errno == EPERM)
        fd = UniqueFd(open(kReadFlags));
    return fd;
}

// Opens a file found by the walk from the walk's root, never following a link on the way.
UniqueFd openBelow(int rootFd, std::string_view relative, const ItemIdentity& identity, qint64 size, struct stat& st)
{
    return sameFile(openForReading([&](int flags) { return openBeneath(rootFd, relative, flags); }), identity, size,
                    st);
}

// The same for a file known by its path (at clean time): reached from its scope.
UniqueFd openSame(const QString& path, const ItemIdentity& identity, qint64 size, struct stat& st)
{
    const Sandbox::Parent parent = Sandbox::openParent(path, Sandbox::Access::read);
    if (!parent.parent.valid())
        return {};
    const int folder = parent.parent.get();
    return sameFile(openForReading([&](int flags) { return ::openat(folder, parent.name.constData(), flags); }),
                    identity, size, st);
}

bool readFully(int fd, char* buffer, qint64 length, qint64 offset)
{
    while (length > 0) {
        const ssize_t n = ::pread(fd, buffer, static_cast<size_t>(length), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer += n;
        length -= n;
        offset += n;
    }
    return true;
}

const char* zeros()
{
    static const std::vector<char> block(kBufferSize, 0);
    return block.data();
}

// Where a file's data lies, asked of the file system as a walk through it goes on: from(at)
// gives the first stretch of data at or after `at` as [start, end), start == size when only a
// hole is left. A file system without holes answers with data everywhere.
class DataExtents
{
public:
    DataExtents(int fd, qint64 size) : m_fd(fd), m_size(size) {}

    std::pair<qint64, qint64> from(qint64 at)
    {
        if (at < m_asked || at >= m_end) {
            off_t start = ::lseek(m_fd, at, SEEK_DATA);
            if (start < 0)
                start = errno == ENXIO ? m_size : at; // ENXIO: a hole to the end
            m_start = std::min<qint64>(start, m_size);
            off_t end = m_start < m_size ? ::lseek(m_fd, m_start, SEEK_HOLE) : m_size;
            if (end <= m_start)
                end = m_size;
            m_end = std::min<qint64>(end, m_size);
            m_asked = at;
            if (m_start >= m_size)
                m_end = m_size + 1; // nothing more to ask: every later block is a hole
        }
        return {std::max(m_start, at), m_end};
    }

private:
    int m_fd;
    qint64 m_size;
    qint64 m_asked = -1;
    qint64 m_start = 0;
    qint64 m_end = -1;
};

// One hashing thread's state: its buffer and hash state, reused from file to file.
class Hasher
{
public:
    Hasher() : m_buffer(new char[kBufferSize]), m_state(XXH3_createState()) {}
    ~Hasher() { XXH3_freeState(m_state); }
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;

    // The first and last kEdge bytes, or the whole file when it is no longer than both.
    std::optional<Hash128> edges(int fd, qint64 size, bool& whole)
    {
        whole = size <= 2 * kEdge;
        if (whole) {
            if (!readFully(fd, m_buffer.get(), size, 0))
                return std::nullopt;
            return toHash(XXH3_128bits(m_buffer.get(), static_cast<size_t>(size)));
        }
        if (!readFully(fd, m_buffer.get(), kEdge, 0) || !readFully(fd, m_buffer.get() + kEdge, kEdge, size - kEdge))
            return std::nullopt;
        return toHash(XXH3_128bits(m_buffer.get(), static_cast<size_t>(2 * kEdge)));
    }

    // The whole content, one kBufferSize block at a time: a block of zeros counts as one tag
    // byte, any other block as another tag and its bytes. Holes are never read, and nothing is
    // hashed for them, so a sparse file of gigabytes costs a few system calls; a hole and
    // written zeros hash alike. `done(bytes)` is told of each block; false from `keepGoing`
    // stops it.
    template <class Done, class KeepGoing>
    std::optional<Hash128> whole(int fd, qint64 size, Done&& done, KeepGoing&& keepGoing)
    {
        static constexpr char kZeroBlock = 0;
        static constexpr char kDataBlock = 1;
        XXH3_128bits_reset(m_state);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        DataExtents extents(fd, size);
        char* const buffer = m_buffer.get();
        for (qint64 block = 0; block < size; block += kBufferSize) {
            if (!keepGoing())
                return std::nullopt;
            const qint64 end = std::min<qint64>(size, block + kBufferSize);
            qint64 at = block;
            bool zero = true;
            while (at < end) {
                const auto [dataStart, dataEnd] = extents.from(at);
                if (dataStart >= end)
                    break;
                const qint64 readEnd = std::min(end, dataEnd);
                std::memset(buffer + (at - block), 0, static_cast<size_t>(dataStart - at));
                if (!readFully(fd, buffer + (dataStart - block), readEnd - dataStart, dataStart))
                    return std::nullopt;
                zero = zero && std::memcmp(buffer + (dataStart - block), zeros(), readEnd - dataStart) == 0;
                at = readEnd;
            }
            if (zero) {
                XXH3_128bits_update(m_state, &kZeroBlock, 1);
            } else {
                std::memset(buffer + (at - block), 0, static_cast<size_t>(end - at));
                XXH3_128bits_update(m_state, &kDataBlock, 1);
                XXH3_128bits_update(m_state, buffer, static_cast<size_t>(end - block));
            }
            done(end - block);
        }
        // The file must end where the walk said: one more byte means it grew meanwhile.
        char extra;
        if (::pread(fd, &extra, 1, size) != 0)
            return std::nullopt;
        return toHash(XXH3_128bits_digest(m_state));
    }

private:
    std::unique_ptr<char[]> m_buffer;
    XXH3_state_t* m_state;
};

qint64 modifiedMSecs(const struct stat& st)
{
    return static_cast<qint64>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
}

// Runs `work(index, hasher)` for every index below `count` on kHashThreads threads of the job
// pool (this one included), each with its own Hasher.
template <class Work> void forEachOnPool(size_t count, const Work& work)
{
    std::atomic<size_t> next{0};
    const auto run = [&] {
        Hasher hasher;
        for (size_t i = next++; i < count; i = next++)
            work(i, hasher);
    };
    const int helpers = static_cast<int>(std::min<size_t>(kHashThreads, count)) - 1;
    QList<QFuture<void>> others;
    for (int t = 0; t < helpers; ++t)
        others.append(runJob(run));
    run();
    for (QFuture<void>& f : others)
        f.waitForFinished();
}

// Calls f(begin, end) for each run of at least two consecutive elements with equal keys.
template <class T, class Key, class F> void forEachRun(const std::vector<T>& v, Key&& key, F&& f)
{
    for (size_t begin = 0; begin < v.size();) {
        size_t end = begin + 1;
        while (end < v.size() && key(v[end]) == key(v[begin]))
            ++end;
        if (end - begin >= 2)
            f(begin, end);
        begin = end;
    }
}

std::vector<Candidate> walkRoots(const Options& options, std::vector<Root>& opened, const std::atomic<bool>* cancelled)
{
    QStringList roots;
    for (const QString& root : options.roots)
        roots.append(standardizedPath(root)); // as the walk names its entries
    std::sort(roots.begin(), roots.end());
    WalkOptions walk;
    walk.skipHidden = true;
    walk.skipPackageDescendants = true;
    std::vector<Candidate> files;
    QString last;
    for (const QString& root : std::as_const(roots)) {
        if (!last.isEmpty() && Sandbox::isWithin(last, root))
            continue; // already walked as part of its ancestor
        UniqueFd fd = Sandbox::openFolder(root, Sandbox::Access::read);
        if (!fd.valid())
            continue; // outside every scope, or gone: nothing to find there
        last = root;
        const auto index = static_cast<quint32>(opened.size());
        opened.push_back({bytesFromPath(root).toStdString(), std::move(fd)});
        for (Collector& part : Walker::walkEach(root, walk, Collector(options.minimumSize, index, cancelled)))
            std::move(part.files.begin(), part.files.end(), std::back_inserter(files));
    }
    return files;
}

// Keeps one path per inode (the first by name) and only sizes held by two files or more.
std::vector<Candidate> sameSizeCandidates(std::vector<Candidate> files)
{
    std::sort(files.begin(), files.end(), [](const Candidate& a, const Candidate& b) {
        return std::tie(a.identity.device, a.identity.inode, a.path) <
               std::tie(b.identity.device, b.identity.inode, b.path);
    });
    files.erase(std::unique(files.begin(), files.end(),
                            [](const Candidate& a, const Candidate& b) {
                                return a.identity.device == b.identity.device && a.identity.inode == b.identity.inode;
                            }),
                files.end());
    std::sort(files.begin(), files.end(), [](const Candidate& a, const Candidate& b) { return a.size > b.size; });
    const ProtectedPlaces protectedPlaces = ProtectedPlaces::current();
    std::vector<Candidate> kept;
    forEachRun(
        files, [](const Candidate& c) { return c.size; },
        [&](size_t begin, size_t end) {
            std::vector<Candidate> run;
            for (size_t i = begin; i < end; ++i)
                if (!protectedPlaces.isProtected(pathFromBytes(QByteArray::fromStdString(files[i].path))))
                    run.push_back(std::move(files[i]));
            if (run.size() >= 2)
                std::move(run.begin(), run.end(), std::back_inserter(kept));
        });
    return kept;
}

bool inAny(const QStringList& folders, const QString& path)
{
    return std::any_of(folders.cbegin(), folders.cend(), [&](const QString& f) { return Sandbox::isWithin(f, path); });
}

} // namespace

std::optional<qint64> parseSize(const QString& text)
{
    QString t = text.trimmed().toUpper();
    if (t.endsWith(QLatin1Char('B')))
        t.chop(1);
    qint64 unit = 1;
    if (!t.isEmpty()) {
        switch (t.back().unicode()) {
        case 'K':
            unit = 1000;
            break;
        case 'M':
            unit = 1000 * 1000;
            break;
        case 'G':
            unit = 1000 * 1000 * 1000;
            break;
        case 'T':
            unit = 1000LL * 1000 * 1000 * 1000;
            break;
        default:
            break;
        }
    }
    if (unit > 1)
        t.chop(1);
    bool ok = false;
    const double value = QLocale::c().toDouble(t, &ok);
    if (!ok || !(value >= 0) || value * static_cast<double>(unit) >= 9.2e18)
        return std::nullopt;
    return static_cast<qint64>(value * static_cast<double>(unit));
}

void chooseKeptCopy(DuplicateGroup& group)
{
    std::sort(group.copies.begin(), group.copies.end(), [](const DuplicateCopy& a, const DuplicateCopy& b) {
        if (a.inReferenceFolder != b.inReferenceFolder)
            return a.inReferenceFolder;
        if (a.modifiedMSecs != b.modifiedMSecs)
            return a.modifiedMSecs < b.modifiedMSecs;
        if (a.path.size() != b.path.size())
            return a.path.size() < b.path.size();
        return a.path < b.path;
    });
    for (qsizetype i = 0; i < group.copies.size(); ++i)
        group.copies[i].selected = i > 0 && !group.copies[i].inReferenceFolder;
}

bool keepCopy(DuplicateGroup& group, const QString& path)
{
    const auto it =
        std::find_if(group.copies.begin(), group.copies.end(), [&](const DuplicateCopy& c) { return c.path == path; });
    if (it == group.copies.end())
        return false;
    const qsizetype index = it - group.copies.begin();
    if (index == 0)
        return true;
    group.copies.move(index, 0);
    group.copies[0].selected = false;
    group.copies[1].selected = !group.copies[1].inReferenceFolder;
    return true;
}

Report findDuplicates(const Options& options, Progress* progress)
{
    Progress ownProgress;
    Progress& p = progress ? *progress : ownProgress;
    Report report;
    const auto cancelled = [&p] { return p.cancelled.load(std::memory_order_relaxed); };

    std::vector<Root> roots;
    std::vector<Candidate> files = sameSizeCandidates(walkRoots(options, roots, &p.cancelled));
    // Opens a candidate from its root; the walk's paths all begin with the root and a slash.
    const auto open = [&roots](const Candidate& c, struct stat& st) {
        const Root& root = roots[c.root];
        const std::string_view relative = std::string_view(c.path).substr(root.path == "/" ? 1 : root.path.size() + 1);
        return openBelow(root.fd.get(), relative, c.identity, c.size, st);
    };
    qint64 totalBytes = 0;
    for (const Candidate& c : files)
        totalBytes += c.size;
    p.filesTotal = static_cast<qint64>(files.size());
    p.bytesTotal = totalBytes;

    // Stage 2: the edges of every file that shares its size.
    std::vector<Hashed> hashed(files.size());
    forEachOnPool(files.size(), [&](size_t i, Hasher& hasher) {
        const Candidate& c = files[i];
        Hashed& h = hashed[i];
        if (!cancelled()) {
            struct stat st;
            const UniqueFd fd = open(c, st);
            if (fd.valid()) {
                h.modifiedMSecs = modifiedMSecs(st);
                if (const std::optional<Hash128> edges = hasher.edges(fd.get(), c.size, h.whole)) {
                    h.hash = *edges;
                    h.ok = true;
                }
            }
        }
        if (h.whole || !h.ok) {
            p.filesDone += 1;
            p.bytesDone += c.size;
        }
    });

    // Files whose edges match another's, ordered so that equal (size, edges) are neighbours.
    std::vector<size_t> order;
    for (size_t i = 0; i < files.size(); ++i)
        if (hashed[i].ok)
            order.push_back(i);
    const auto bySizeAndHash = [&](size_t a, size_t b) {
        return std::tie(files[a].size, hashed[a].hash) > std::tie(files[b].size, hashed[b].hash);
    };
    std::sort(order.begin(), order.end(), bySizeAndHash);
    const auto key = [&](size_t i) { return std::pair(files[i].size, hashed[i].hash); };
    std::vector<size_t> needWhole;
    std::vector<char> survives(files.size(), 0);
    forEachRun(order, key, [&](size_t begin, size_t end) {
        for (size_t k = begin; k < end; ++k) {
            survives[order[k]] = 1;
            if (!hashed[order[k]].whole)
                needWhole.push_back(order[k]);
        }
    });
    // Settled by their edges: unique, so never read further.
    for (size_t i : order) {
        if (!survives[i] && !hashed[i].whole) {
            p.filesDone += 1;
            p.bytesDone += files[i].size;
        }
    }

    // Stage 3: the whole content of what is left, largest first so the threads end together.
    std::sort(needWhole.begin(), needWhole.end(), [&](size_t a, size_t b) { return files[a].size > files[b].size; });
    forEachOnPool(needWhole.size(), [&](size_t k, Hasher& hasher) {
        const size_t i = needWhole[k];
        const Candidate& c = files[i];
        Hashed& h = hashed[i];
        qint64 counted = 0;
        h.ok = false;
        if (!cancelled()) {
            struct stat st;
            const UniqueFd fd = open(c, st);
            if (fd.valid() && modifiedMSecs(st) == h.modifiedMSecs) {
                const std::optional<Hash128> whole = hasher.whole(
                    fd.get(), c.size,
                    [&](qint64 bytes) {
                        counted += bytes;
                        p.bytesDone += bytes;
                    },
                    [&] { return !cancelled(); });
                if (whole) {
                    h.hash = *whole;
                    h.ok = true;
                }
            }
        }
        p.bytesDone += c.size - counted;
        p.filesDone += 1;
    });

    if (cancelled()) {
        report.cancelled = true;
        return report;
    }

    order.clear();
    for (size_t i = 0; i < files.size(); ++i)
        if (survives[i] && hashed[i].ok)
            order.push_back(i);
    std::sort(order.begin(), order.end(), bySizeAndHash);
    forEachRun(order, key, [&](size_t begin, size_t end) {
        DuplicateGroup group;
        group.size = files[order[begin]].size;
        group.hash = hashBytes(hashed[order[begin]].hash);
        for (size_t k = begin; k < end; ++k) {
            const size_t i = order[k];
            DuplicateCopy copy;
            copy.path = pathFromBytes(QByteArray::fromStdString(files[i].path));
            std::string().swap(files[i].path); // one copy of each path at a time
            copy.modifiedMSecs = hashed[i].modifiedMSecs;
            copy.identity = files[i].identity;
            copy.inReferenceFolder = inAny(options.referenceFolders, copy.path);
            group.copies.append(std::move(copy));
        }
        chooseKeptCopy(group);
        report.totalWasted += group.wasted();
        report.groups.append(std::move(group));
    });
    std::sort(report.groups.begin(), report.groups.end(), [](const DuplicateGroup& a, const DuplicateGroup& b) {
        if (a.wasted() != b.wasted())
            return a.wasted() > b.wasted();
        if (a.size != b.size)
            return a.size > b.size;
        return a.kept().path < b.kept().path;
    });
    return report;
}

namespace {

// Why `name` in `parentFd` must stay rather than leave `group`'s kept copy as the last one:
// the kept copy is gone or changed, or the two differ in a byte.
QString mustStay(const DuplicateGroup& group, int parentFd, const QByteArray& name)
{
    const DuplicateCopy& kept = group.kept();
    struct stat keptStat;
    const UniqueFd keptFd = openSame(kept.path, kept.identity, group.size, keptStat);
    if (!keptFd.valid())
        return kKeptCopyGone;
    const UniqueFd fd(::openat(parentFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<qint64>(st.st_size) != group.size)
        return kDiffersFromKept;
    if (st.st_dev == keptStat.st_dev && st.st_ino == keptStat.st_ino)
        return kKeptCopyGone; // one file under two names: moving it would leave no copy
    constexpr qint64 kChunk = 256 * 1024;
    const std::unique_ptr<char[]> a(new char[kChunk]);
    const std::unique_ptr<char[]> b(new char[kChunk]);
    for (qint64 offset = 0; offset < group.size; offset += kChunk) {
        const qint64 length = std::min(kChunk, group.size - offset);
        if (!readFully(keptFd.get(), a.get(), length, offset) || !readFully(fd.get(), b.get(), length, offset) ||
            std::memcmp(a.get(), b.get(), static_cast<size_t>(length)) != 0)
            return kDiffersFromKept;
    }
    return {};
}

} // namespace

TrashBatchResult moveToTrash(const QList<DuplicateGroup>& groups)
{
    const TrashBatchTexts texts{QStringLiteral("[Duplicate]"), QStringLiteral("已将 {n} 个重复文件移到废纸篓"),
                                QStringLiteral("已移动 {n} 个文件，部分文件处理失败")};
    TrashGateway::Batch batch(QStringLiteral("dupes"));
    TrashBatchResult result;
    qsizetype asked = 0;
    for (const DuplicateGroup& group : groups) {
        QList<TrashItem> items;
        for (qsizetype i = 1; i < group.copies.size(); ++i)
            if (group.copies[i].selected)
                items.append({group.copies[i].path, group.copies[i].identity, group.size});
        if (items.isEmpty())
            continue;
        asked += items.size();
        TrashRequest request{texts, true,
                             [group](int parentFd, const QByteArray& name) { return mustStay(group, parentFd, name); },
                             QStringLiteral("dupes")};
        TrashBatchResult part = TrashGateway::moveToTrash(items, request);
        result.moved.append(part.moved);
        result.failed.append(part.failed);
        result.cancelled = result.cancelled || part.cancelled;
    }
    result.batchId = batch.id();
    const QString& shape = result.moved.size() == asked ? texts.allMoved : texts.partial;
    result.message = QString(shape).replace(QLatin1String("{n}"), QString::number(result.moved.size()));
    return result;
}

} // namespace Sweepora::Core::DuplicateFileEngine
