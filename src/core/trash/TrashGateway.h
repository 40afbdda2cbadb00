#pragma once

#include "core/trash/ItemIdentity.h"
#include "core/trash/TrashBatch.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace Sweepora::Core {

class Context;

// One item a clean wants to move, with what its scan saw of it.
struct TrashItem
{
    QString path;
    ItemIdentity identity;
    qint64 size = -1; // what the page showed, for the journal; -1: a regular file's own size
};

// How one section's clean checks and reports its items.
struct TrashRequest
{
    TrashBatchTexts texts;
    // The size is part of an item's identity only where the section's answer depends on it
    // (large files). A log or cache still growing is still the same file.
    bool sizeIsIdentity = false;
    // A further check of the entry just before its move (an empty folder still empty), given
    // its folder and name; returns why the item must stay, or an empty string.
    std::function<QString(int parentFd, const QByteArray& name)> mustStay;
    // The journal's name for the section ("large", "rules", …: the command line's names), used
    // when no batch is open on the calling thread.
    QString section;
};

// The one way anything leaves its place in Sweepora. For each item, in order: refuse it when
// it is a protected place; open its folder from the scope without following a link; check
// that folder and the entry in it are what the scan saw (device, inode and kind; the size
// where asked); then move it relative to that folder into the Trash. Anything that fails a
// check stays where it is and is reported in `failed` with the reason, and logged as
// "<tag> 移到废纸篓失败：<path>，<reason>".
namespace TrashGateway {

// One clean as the journal records it: every move made on this thread while it lives is one
// batch of the cleanup history, whatever number of calls it takes. A Batch opened while another
// lives on the thread joins it. It can report progress and be cancelled between items.
class Batch
{
public:
    explicit Batch(QString section);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    // The journal's id of the batch; 0 while nothing has been journaled.
    qint64 id() const;

    // Items the whole clean will hand over, for progress; calls `progress(done, total)` after each.
    void setTotal(qsizetype total);
    void setProgress(std::function<void(qsizetype done, qsizetype total)> progress);
    // Asked before each item; once true, the items left stay and fail with kCancelled.
    void setCancelled(std::function<bool()> cancelled);
    // Told of every item that stays, with why, as it happens (the clean's report lists them).
    void setFailed(std::function<void(const TrashFailure& failure)> failed);

    // The batch open on this thread in the installed context, or null.
    static Batch* current();

private:
    friend TrashBatchResult moveToTrash(const QList<TrashItem>&, const TrashRequest&);
    struct State;
    std::shared_ptr<State> m_state;
    Context* m_context = nullptr; // where it is open
    Batch* m_outer = nullptr;
};

inline const QString kCancelled = QStringLiteral("清理已取消，项目未移动");

inline const QString kProtected = QStringLiteral("受保护的位置");
inline const QString kGone = QStringLiteral("文件已不存在");
inline const QString kReplaced = QStringLiteral("文件已被其他项目替换");
inline const QString kBecameLink = QStringLiteral("文件已变为符号链接");
inline const QString kResized = QStringLiteral("文件在扫描后已被修改");
inline const QString kFolderReplaced = QStringLiteral("所在文件夹已被替换");
inline const QString kLinkOnTheWay = QStringLiteral("路径中有符号链接，已拒绝");
inline const QString kOutsideScope = QStringLiteral("没有权限移动此项目");
inline const QString kUnknown = QStringLiteral("扫描时无法读取此项目");
inline const QString kPathTooLong = QStringLiteral("路径过长，无法处理");

TrashBatchResult moveToTrash(const QList<TrashItem>& items, const TrashRequest& request);

// Why one item would be refused now, or an empty string when it would be handed to the Trash.
QString check(const TrashItem& item, const TrashRequest& request);

} // namespace TrashGateway
} // namespace Sweepora::Core
