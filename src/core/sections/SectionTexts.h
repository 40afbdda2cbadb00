#pragma once

#include "core/scanners/MiscFileEngine.h"

#include <QDateTime>
#include <QString>

namespace Sweepora::Core {

// What the window and the command line say about a scan's findings. The engines return data;
// both readers take their lines from here, so a text changes in one place.
namespace SectionTexts {

// "发现 {n} 项可清理内容", or "没有发现可清理的内容".
QString rulesFound(qsizetype count);
// "发现 {n} 个应用的缓存垃圾", or "没有发现可清理的应用垃圾".
QString applicationCachesFound(qsizetype count);
// "找到 {n} 个应用", or "没有找到应用".
QString applicationsFound(qsizetype count);
// "发现 {n} 项残留文件", or "没有发现残留文件".
QString leftoversFound(qsizetype count);
// "发现 {n} 个大文件", or "没有发现符合条件的大文件".
QString largeFilesFound(qsizetype count);
// "500 MB", "1 GB", "1.5 GB": the size threshold as the picker and the message show it.
QString sizeThreshold(double gigabytes);
// "正在查找大于 500 MB 的文件…"
QString largeFilesSearching(double gigabytes);
// "发现 {n} 个空文件夹", or "没有发现空文件夹".
QString emptyFoldersFound(qsizetype count);
// "发现 {n} 组重复文件，可释放 {size}", or "没有发现重复文件".
QString duplicatesFound(qsizetype groups, qint64 wasted);
// "正在搜索“{query}”…"
QString searching(const QString& query);
// "找到 {n} 个名称包含“{query}”的文件", or "没有找到名称包含“{query}”的文件".
QString searchFound(qsizetype count, const QString& query);
// "共 {n} 项", or "此目录为空".
QString storageListing(qsizetype count);
// A file's age in whole local calendar units: "3年前", "2个月前", "5天前" (at least one day).
QString age(const QDateTime& created, const QDateTime& now);
// "创建于 2024年3月5日", in local time.
QString creation(const QDateTime& created);

} // namespace SectionTexts

// What the window and the command line say about each category of files found by name.
struct MiscFileTexts
{
    QString noun;           // "闲杂文件", "压缩包", "安装包"
    QString initialMessage; // "扫描闲杂文件", "扫描一个月以前的压缩包"
    QString readySubtitle;  // the placeholder's line before the first scan: what the scan looks for
    QString nothingFound;   // "没有发现闲杂文件", "没有发现一个月以前的压缩包"

    // The placeholder's title before the first scan: "扫描压缩包".
    QString readyTitle() const { return QStringLiteral("扫描") + noun; }
    // "正在扫描压缩包…"
    QString scanningMessage() const { return QStringLiteral("正在扫描") + noun + QStringLiteral("…"); }
    // "发现 {n} 个压缩包", or nothingFound for none.
    QString resultMessage(qsizetype count) const;
};

const MiscFileTexts& miscFileTexts(MiscFileCategory category);

} // namespace Sweepora::Core
