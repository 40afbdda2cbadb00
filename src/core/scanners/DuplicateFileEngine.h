#pragma once

#include "core/trash/ItemIdentity.h"
#include "core/trash/TrashBatch.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

namespace Sweepora::Core {

// One copy of a duplicated file.
struct DuplicateCopy
{
    QString path;
    qint64 modifiedMSecs = 0;
    ItemIdentity identity; // as the walk saw it; the clean moves only this very file
    bool inReferenceFolder = false;
    bool selected = false;
};

// Files of one size whose whole contents hash alike. The kept copy is first; the others are
// ticked unless they lie in a reference folder.
struct DuplicateGroup
{
    qint64 size = 0; // of one copy
    // XXH3-128 of the content, 16 bytes; beyond 32 KiB, of its 1 MiB blocks with a block of zeros
    // as one tag byte (holes are never read)
    QByteArray hash;
    QList<DuplicateCopy> copies;

    const DuplicateCopy& kept() const { return copies.first(); }
    // What removing every copy but one frees: size × (copies − 1).
    qint64 wasted() const { return size * (copies.size() - 1); }
};

// Finds files with equal contents below one or more folders. Plain functions: no event loop,
// no access checks (the caller has made sure the folders may be read).
namespace DuplicateFileEngine {

// 1 MB, in the units the pages show sizes in.
constexpr qint64 kDefaultMinimumSize = 1000 * 1000;

struct Options
{
    QStringList roots; // standardized folders; overlapping ones are walked once
    qint64 minimumSize = kDefaultMinimumSize;
    QStringList referenceFolders; // copies in these are kept and never ticked
};

// Shared with the job that runs the scan: read on any thread, written by the scan.
struct Progress
{
    std::atomic<qint64> filesDone{0};
    std::atomic<qint64> filesTotal{0};
    std::atomic<qint64> bytesDone{0};
    std::atomic<qint64> bytesTotal{0};
    std::atomic<bool> cancelled{false};
};

struct Report
{
    QList<DuplicateGroup> groups; // most space wasted first
    qint64 totalWasted = 0;
    bool cancelled = false;
};

// "1M", "500K", "2G", "1500": decimal units, as sizes are shown. Empty for anything else.
std::optional<qint64> parseSize(const QString& text);

// Walks the roots with the home scans' rules (hidden entries and package contents skipped,
// links never followed, protected places left out), then narrows files of at least the
// minimum size (empty ones never) by size, by a hash of their first and last 16 KiB, and by a
// hash of their whole content; each stage reads only the files the previous one left. Hard
// links to one inode are one file.
Report findDuplicates(const Options& options, Progress* progress = nullptr);

// Orders a group's copies: the kept copy first (in a reference folder, else the oldest, else
// the shortest path), then the others; ticks every copy but the kept one and those in
// reference folders.
void chooseKeptCopy(DuplicateGroup& group);
// Makes `path` the kept copy (untick it) and ticks the copy it replaces unless it lies in a
// reference folder. False when the group has no such copy.
bool keepCopy(DuplicateGroup& group, const QString& path);

// Moves the ticked copies of each group to the Trash through the gateway ("[Duplicate]" in
// the log), never the kept copy. Just before each move, the kept copy must still be the file
// the scan saw and equal the copy byte for byte; else the copy stays.
TrashBatchResult moveToTrash(const QList<DuplicateGroup>& groups);

// The refusal when the kept copy is gone or differs.
inline const QString kKeptCopyGone = QStringLiteral("保留的副本已不存在，未移动");
inline const QString kDiffersFromKept = QStringLiteral("内容与保留的副本不同，未移动");

} // namespace DuplicateFileEngine
} // namespace Sweepora::Core
