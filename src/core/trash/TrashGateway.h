#pragma once

#include "trash/ItemIdentity.h"
#include "trash/TrashBatch.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace Sweepora::Core {

// One item a clean wants to move, with what its scan saw of it.
struct TrashItem
{
    QString path;
    ItemIdentity identity;
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
};

// The one way anything leaves its place in Sweepora. For each item, in order: refuse it when
// it is a protected place; open its folder from the scope without following a link; check
// that folder and the entry in it are what the scan saw (device, inode and kind; the size
// where asked); then move it relative to that folder into the Trash. Anything that fails a
// check stays where it is and is reported in `failed` with the reason, and logged as
// "<tag> 移到废纸篓失败：<path>，<reason>".
namespace TrashGateway {

inline const QString kProtected = QStringLiteral("受保护的位置");
inline const QString kGone = QStringLiteral("文件已不存在");
inline const QString kReplaced = QStringLiteral("文件已被其他项目替换");
inline const QString kBecameLink = QStringLiteral("文件已变为符号链接");
inline const QString kResized = QStringLiteral("文件在扫描后已被修改");
inline const QString kFolderReplaced = QStringLiteral("所在文件夹已被替换");
inline const QString kLinkOnTheWay = QStringLiteral("路径中有符号链接，已拒绝");
inline const QString kOutsideScope = QStringLiteral("没有权限移动此项目");
inline const QString kUnknown = QStringLiteral("扫描时无法读取此项目");

TrashBatchResult moveToTrash(const QList<TrashItem>& items, const TrashRequest& request);

// Why one item would be refused now, or an empty string when it would be handed to the Trash.
QString check(const TrashItem& item, const TrashRequest& request);

} // namespace TrashGateway
} // namespace Sweepora::Core
