#include "scanners/EmptyFolderEngine.h"

#include "fs/Walker.h"
#include "platform/PathBytes.h"
#include "platform/Sandbox.h"
#include "util/NameOrder.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <numeric>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Sweepora::Core::EmptyFolderEngine {
namespace {

int componentCount(const QString& path)
{
    return static_cast<int>(path.split(QLatin1Char('/'), Qt::SkipEmptyParts).size());
}

// What a listing of the folder would return, without following a link in its place.
enum class Listing { Empty, NotEmpty, Unreadable, NotAFolder };

Listing listFolder(const QString& path, struct stat& st)
{
    const int fd = ::open(bytesFromPath(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP || errno == ENOTDIR ? Listing::NotAFolder : Listing::Unreadable;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return Listing::Unreadable;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return Listing::Unreadable;
    }
    Listing listing = Listing::Empty;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0')))
            continue;
        listing = Listing::NotEmpty;
        break;
    }
    // A listing that broke off proves nothing.
    if (listing == Listing::Empty && errno != 0)
        listing = Listing::Unreadable;
    ::closedir(dir);
    return listing;
}

} // namespace

class FolderCollector final : public WalkVisitor
{
public:
    // The walker already skips hidden folders and does not enter packages or links, so the
    // folders it lists are exactly the candidates; the listing's own count decides emptiness.
    WalkAction visit(const WalkEntry&) override { return WalkAction::Continue; }

    void folderListed(const WalkFolder& folder) override
    {
        if (folder.depth == 0 || folder.entryCount != 0 || folder.isPackage)
            return;
        const QString path = pathFromBytes(QByteArray(folder.path.data(), static_cast<qsizetype>(folder.path.size())));
        items.append({path, false, ItemIdentity::of(path)});
    }

    QList<EmptyFolderItem> items;
};

QString resultMessage(qsizetype count)
{
    if (count == 0)
        return QStringLiteral("没有发现空文件夹");
    return QStringLiteral("发现 %1 个空文件夹").arg(count);
}

void sortDeepestFirst(QList<EmptyFolderItem>& items)
{
    std::vector<int> depths;
    depths.reserve(static_cast<size_t>(items.size()));
    for (const EmptyFolderItem& item : items)
        depths.push_back(componentCount(item.path));
    std::vector<qsizetype> order(static_cast<size_t>(items.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const int da = depths[static_cast<size_t>(a)];
        const int db = depths[static_cast<size_t>(b)];
        if (da != db)
            return da > db;
        const int c = localizedCaseInsensitiveCompare(items[a].path, items[b].path);
        if (c != 0)
            return c < 0;
        // The walk's threads deliver in no fixed order: paths equal to the collator still sort
        // the same way every time.
        return items[a].path < items[b].path;
    });
    QList<EmptyFolderItem> sorted;
    sorted.reserve(items.size());
    for (qsizetype i : order)
        sorted.append(std::move(items[i]));
    items = std::move(sorted);
}

FolderScan::FolderScan(int threads)
{
    for (int i = 0; i < std::max(threads, 1); ++i)
        m_collectors.push_back(std::make_unique<FolderCollector>());
}

FolderScan::FolderScan(FolderScan&&) noexcept = default;
FolderScan::~FolderScan() = default;

WalkVisitor* FolderScan::visitor(int thread)
{
    return m_collectors.at(static_cast<size_t>(thread)).get();
}

Report FolderScan::report()
{
    Report report;
    for (const std::unique_ptr<FolderCollector>& part : m_collectors)
        report.items.append(std::move(part->items));
    sortDeepestFirst(report.items);
    report.message = resultMessage(report.items.size());
    return report;
}

Report findEmptyFolders(const QString& home)
{
    WalkOptions options;
    options.skipHidden = true;
    options.skipPackageDescendants = true;
    const int threads = Walker::threadCount(options);
    FolderScan scan(threads);
    std::vector<WalkVisitor*> visitors;
    for (int i = 0; i < threads; ++i)
        visitors.push_back(scan.visitor(i));
    Walker::walk(home, options, visitors);
    return scan.report();
}

Recheck recheckFolder(const QString& path, const std::optional<ItemIdentity>& scanned)
{
    // Outside the open scopes the listing would fail, as in a sandbox.
    if (!Sandbox::canRead(path))
        return Recheck::passOver();
    struct stat st = {};
    switch (listFolder(path, st)) {
    case Listing::NotAFolder:
        return Recheck::fail(QStringLiteral("文件夹已被其他项目替换"));
    case Listing::Unreadable:
    case Listing::NotEmpty:
        return Recheck::passOver();
    case Listing::Empty:
        break;
    }
    if (scanned &&
        (static_cast<quint64>(st.st_dev) != scanned->device || static_cast<quint64>(st.st_ino) != scanned->inode))
        return Recheck::fail(QStringLiteral("文件夹已被其他项目替换"));
    return Recheck::move();
}

TrashBatchResult moveToTrash(const QList<EmptyFolderItem>& folders)
{
    QStringList paths;
    paths.reserve(folders.size());
    for (const EmptyFolderItem& f : folders)
        paths.append(f.path);
    return moveCheckedToTrash(paths,
                              {QStringLiteral("[EmptyFolderCleanup]"), QStringLiteral("已将 {n} 个空文件夹移到废纸篓"),
                               QStringLiteral("已移动 {n} 个文件夹，部分目录已非空或处理失败")},
                              [&folders](qsizetype i) { return recheckFolder(folders[i].path, folders[i].identity); });
}

} // namespace Sweepora::Core::EmptyFolderEngine
