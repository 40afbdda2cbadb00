#pragma once

#include "core/fs/WalkProgress.h"

#include "core/trash/ItemIdentity.h"
#include "core/trash/TrashBatch.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace Sweepora::Core {

class WalkVisitor;

// A folder with no entry at all. It has no size.
struct EmptyFolderItem
{
    QString path;
    bool selected = false;
    // The folder the scan found: a clean moves only that one.
    ItemIdentity identity;

    friend bool operator==(const EmptyFolderItem&, const EmptyFolderItem&) = default;
};

// Finds the folders of the home folder that hold nothing, not even hidden files, and moves
// them to the Trash after checking each again. Plain functions: no event loop, no access checks.
namespace EmptyFolderEngine {

struct Report
{
    QList<EmptyFolderItem> items; // deepest first, equal depth by path ignoring case
};

class FolderCollector;

// findEmptyFolders in two steps, so that several scans can share one walk (which must skip
// hidden entries and not enter packages): the walk calls visitor(i) from its thread i only,
// and report() merges once the walk is over.
class FolderScan
{
public:
    explicit FolderScan(int threads);
    FolderScan(FolderScan&&) noexcept;
    ~FolderScan();

    WalkVisitor* visitor(int thread);
    Report report();

private:
    std::vector<std::unique_ptr<FolderCollector>> m_collectors;
};

// Walks `home` skipping hidden entries and package contents. A folder is listed when its
// listing returned no entry; hidden folders, packages, anything inside them and symbolic
// links are never listed, and neither is `home` itself.
Report findEmptyFolders(const QString& home, const std::shared_ptr<WalkProgress>& progress = {});

// More path components first; equal depth by full path in localized case-insensitive order.
void sortDeepestFirst(QList<EmptyFolderItem>& items);

// The reason a folder that filled up since the scan stays where it is.
inline const QString kNoLongerEmpty = QStringLiteral("文件夹已不是空的");

// Moves the folders in the order given ("[EmptyFolderCleanup]" in the log), each only while it
// is the folder the scan found and still empty, and reports
// "已将 {n} 个空文件夹移到废纸篓" or "已移动 {n} 个文件夹，部分目录已非空或处理失败".
TrashBatchResult moveToTrash(const QList<EmptyFolderItem>& folders);

} // namespace EmptyFolderEngine
} // namespace Sweepora::Core
