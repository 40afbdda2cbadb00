#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace Sweepora::Core {

// The texts of one scanner's clean. In the messages, {n} stands for the number of items moved
// and {failed} for the number that could not be moved.
struct TrashBatchTexts
{
    QString logTag;   // "[LargeFile]"
    QString allMoved; // "已将 {n} 个文件移到废纸篓"
    QString partial;  // "已移动 {n} 个文件，部分文件处理失败"
};

struct TrashFailure
{
    QString path;
    QString error;
};

struct TrashBatchResult
{
    QStringList moved;          // in the order given
    QList<TrashFailure> failed; // moves the Trash refused
    qsizetype passedOver = 0;   // paths the caller's check declined, silently
    QString message;            // allMoved when every path moved, else partial
};

// The clean every scanner shares: each path goes to the Trash on its own, through
// Trash::current(), in the order given; a refused move is logged as
// "<tag> 移到废纸篓失败：<path>，<error>" and the batch goes on. Nothing is retried.
// `shouldMove`, when given, is asked first and may pass over a path (an empty folder that is
// no longer empty); such a path counts as not moved and is not logged.
TrashBatchResult moveToTrash(const QStringList& paths, const TrashBatchTexts& texts,
                             const std::function<bool(const QString&)>& shouldMove = {});

} // namespace Sweepora::Core
