#pragma once

#include <QList>
#include <QString>
#include <QStringList>

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
    int errorCode = 0; // the errno behind a refusal of the Trash or of a system call, 0 for a failed check
};

struct TrashBatchResult
{
    QStringList moved;          // in the order given
    QList<TrashFailure> failed; // items the gateway or the Trash refused, in the order given
    QString message;            // allMoved when every item moved, else partial
    qint64 batchId = 0;         // the cleanup journal's batch, for undo; 0 when nothing was journaled
    bool cancelled = false;
};

} // namespace Sweepora::Core
