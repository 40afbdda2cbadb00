#include "core/scanners/EmptyFolderEngine.h"

#include "core/fs/Walker.h"
#include "core/platform/PathBytes.h"
#include "core/trash/ProtectedPlaces.h"
#include "core/trash/TrashGateway.h"
#include "core/util/NameOrder.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <numeric>
#include <unistd.h>
#include <vector>

namespace Sweepora::Core::EmptyFolderEngine {
namespace {

int componentCount(const QString& path)
{
    return static_cast<int>(path.split(QLatin1Char('/'), Qt::SkipEmptyParts).size());
}

// Why a folder the scan found empty must stay: it gained an entry, or cannot be listed.
QString whyNotEmpty(int parentFd, const QByteArray& name)
{
    const int fd = ::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("无法读取此文件夹");
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return QStringLiteral("无法读取此文件夹");
    }
    QString why;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0')))
            continue;
        why = kNoLongerEmpty;
        break;
    }
    // A listing that broke off proves nothing.
    if (why.isEmpty() && errno != 0)
        why = QStringLiteral("无法读取此文件夹");
    ::closedir(dir);
    return why;
}

} // namespace

class FolderCollector final : public WalkVisitor
{
public:
    // The walker already skips hidden folders and does not enter packages or links, so the
    // folders it lists are exactly the candidates; the listing's own count decides emptiness.
    WalkAction visit(const WalkEntry&) override { return WalkAction::proceed; }

    void folderListed(const WalkFolder& folder) override
    {
        if (folder.depth == 0 || folder.entryCount != 0 || folder.isPackage)
            return;
        const QString path = pathFromBytes(QByteArray(folder.path.data(), static_cast<qsizetype>(folder.path.size())));
        items.append({path, false, ItemIdentity::lookUp(path)});
    }

    QList<EmptyFolderItem> items;
};

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
    ProtectedPlaces::current().removeProtected(report.items);
    sortDeepestFirst(report.items);
    return report;
}

Report findEmptyFolders(const QString& home, const std::shared_ptr<WalkProgress>& progress)
{
    WalkOptions options;
    options.skipHidden = true;
    options.skipPackageDescendants = true;
    const int threads = Walker::threadCount(options);
    FolderScan scan(threads);
    std::vector<WalkVisitor*> visitors;
    for (int i = 0; i < threads; ++i)
        visitors.push_back(scan.visitor(i));
    walkWatched(home, options, visitors, progress);
    return scan.report();
}

TrashBatchResult moveToTrash(const QList<EmptyFolderItem>& folders)
{
    QList<TrashItem> items;
    items.reserve(folders.size());
    for (const EmptyFolderItem& f : folders)
        items.append({f.path, f.identity});
    return TrashGateway::moveToTrash(
        items, {{QStringLiteral("[EmptyFolderCleanup]"), QStringLiteral("已将 {n} 个空文件夹移到废纸篓"),
                 QStringLiteral("已移动 {n} 个文件夹，部分目录已非空或处理失败")},
                false,
                whyNotEmpty,
                QStringLiteral("empty")});
}

} // namespace Sweepora::Core::EmptyFolderEngine
