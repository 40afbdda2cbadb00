#pragma once

#include "core/fs/WalkProgress.h"
#include "core/trash/ItemIdentity.h"
#include "core/trash/TrashBatch.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace Sweepora::Core {

struct LargeFileItem
{
    QString path;
    qint64 size = 0; // allocated size, else logical size, else 0
    bool selected = false;
    ItemIdentity identity;    // as the scan saw it; the clean moves only this very file
    QDateTime creationDate{}; // the birth time; invalid where the file system keeps none
};

// Finds the regular files of the home folder whose size reaches a threshold. Plain functions:
// no event loop, no access checks (the caller has made sure the home folder may be read).
namespace LargeFileEngine {

// The slider's range and step, in gigabytes.
constexpr double kMinimumGigabytes = 0.5;
constexpr double kMaximumGigabytes = 10.0;
constexpr double kDefaultGigabytes = 1.0;

// gigabytes × 2^30, truncated.
qint64 thresholdBytes(double gigabytes);

struct Report
{
    QList<LargeFileItem> items; // sorted: larger first, equal sizes by name
};

// Walks `home` skipping hidden entries and package contents; keeps regular files (never
// symbolic links) whose size is at least the threshold. The walk counts into `progress` and
// stops early, with what it found so far, once that is cancelled.
Report findLargeFiles(const QString& home, double minimumGigabytes, std::shared_ptr<WalkProgress> progress = {});
Report findLargeFilesOfAtLeast(const QString& home, qint64 thresholdBytes, std::shared_ptr<WalkProgress> progress = {});

// Moves the given files to the Trash through the gateway ("[LargeFile]" in the log), each only
// while it is the file the scan found with the size it had, and reports
// "已将 {n} 个文件移到废纸篓" or "已移动 {n} 个文件，部分文件处理失败".
TrashBatchResult moveToTrash(const QList<LargeFileItem>& items);

} // namespace LargeFileEngine
} // namespace Sweepora::Core
