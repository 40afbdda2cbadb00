#include "core/sections/SectionTexts.h"

#include "core/util/ByteCount.h"

#include <algorithm>
#include <cmath>

namespace Sweepora::Core {
namespace SectionTexts {
namespace {

// `found` with the count filled in, or `none` when nothing was found.
QString counted(qsizetype count, const QString& found, const QString& none)
{
    return count > 0 ? found.arg(count) : none;
}

} // namespace

QString rulesFound(qsizetype count)
{
    return counted(count, QStringLiteral("发现 %1 项可清理内容"), QStringLiteral("没有发现可清理的内容"));
}

QString applicationCachesFound(qsizetype count)
{
    return counted(count, QStringLiteral("发现 %1 个应用的缓存垃圾"), QStringLiteral("没有发现可清理的应用垃圾"));
}

QString applicationsFound(qsizetype count)
{
    return counted(count, QStringLiteral("找到 %1 个应用"), QStringLiteral("没有找到应用"));
}

QString leftoversFound(qsizetype count)
{
    return counted(count, QStringLiteral("发现 %1 项残留文件"), QStringLiteral("没有发现残留文件"));
}

QString largeFilesFound(qsizetype count)
{
    return counted(count, QStringLiteral("发现 %1 个大文件"), QStringLiteral("没有发现符合条件的大文件"));
}

QString sizeThreshold(double gigabytes)
{
    if (gigabytes < 1.0)
        return QString::number(static_cast<qint64>(gigabytes * 1000.0)) + QStringLiteral(" MB");
    if (gigabytes == std::floor(gigabytes))
        return QString::number(static_cast<qint64>(gigabytes)) + QStringLiteral(" GB");
    return QString::asprintf("%.1f GB", gigabytes);
}

QString largeFilesSearching(double gigabytes)
{
    return QStringLiteral("正在查找大于 ") + sizeThreshold(gigabytes) + QStringLiteral(" 的文件…");
}

QString emptyFoldersFound(qsizetype count)
{
    return counted(count, QStringLiteral("发现 %1 个空文件夹"), QStringLiteral("没有发现空文件夹"));
}

QString duplicatesFound(qsizetype groups, qint64 wasted)
{
    if (groups == 0)
        return QStringLiteral("没有发现重复文件");
    return QStringLiteral("发现 %1 组重复文件，可释放 %2").arg(groups).arg(formattedByteCount(wasted));
}

QString searching(const QString& query)
{
    return QStringLiteral("正在搜索“") + query + QStringLiteral("”…");
}

QString searchFound(qsizetype count, const QString& query)
{
    if (count == 0)
        return QStringLiteral("没有找到名称包含“") + query + QStringLiteral("”的文件");
    return QStringLiteral("找到 %1 个名称包含“").arg(count) + query + QStringLiteral("”的文件");
}

QString storageListing(qsizetype count)
{
    return counted(count, QStringLiteral("共 %1 项"), QStringLiteral("此目录为空"));
}

QString age(const QDateTime& created, const QDateTime& now)
{
    const QDateTime from = created.toLocalTime();
    const QDateTime to = now.toLocalTime();
    int years = 0;
    int months = 0;
    qint64 days = 0;
    if (from.isValid() && to.isValid() && from < to) {
        years = to.date().year() - from.date().year();
        if (from.addYears(years) > to)
            --years;
        const QDateTime afterYears = from.addYears(years);
        months = (to.date().year() - afterYears.date().year()) * 12 + to.date().month() - afterYears.date().month();
        if (afterYears.addMonths(months) > to)
            --months;
        const QDateTime afterMonths = afterYears.addMonths(months);
        days = afterMonths.date().daysTo(to.date());
        if (afterMonths.addDays(days) > to)
            --days;
    }
    if (years >= 1)
        return QString::number(years) + QStringLiteral("年前");
    if (months >= 1)
        return QString::number(months) + QStringLiteral("个月前");
    return QString::number(std::max<qint64>(days, 1)) + QStringLiteral("天前");
}

QString creation(const QDateTime& created)
{
    const QDate date = created.toLocalTime().date();
    return QStringLiteral("创建于 %1年%2月%3日").arg(date.year()).arg(date.month()).arg(date.day());
}

} // namespace SectionTexts

QString MiscFileTexts::resultMessage(qsizetype count) const
{
    return SectionTexts::counted(count, QStringLiteral("发现 %1 个") + noun, nothingFound);
}

const MiscFileTexts& miscFileTexts(MiscFileCategory category)
{
    static const MiscFileTexts miscellaneous{
        QStringLiteral("闲杂文件"), QStringLiteral("扫描闲杂文件"),
        QStringLiteral("查找名称中含有 log 或 cache 一词的日志与缓存文件，不含文档、代码与媒体文件"),
        QStringLiteral("没有发现闲杂文件")};
    static const MiscFileTexts archives{QStringLiteral("压缩包"), QStringLiteral("扫描一个月以前的压缩包"),
                                        QStringLiteral("查找一个月以前创建的压缩包"),
                                        QStringLiteral("没有发现一个月以前的压缩包")};
    static const MiscFileTexts installers{QStringLiteral("安装包"), QStringLiteral("扫描一个月以前的安装包"),
                                          QStringLiteral("查找一个月以前创建的安装包与磁盘镜像"),
                                          QStringLiteral("没有发现一个月以前的安装包")};
    switch (category) {
    case MiscFileCategory::archives:
        return archives;
    case MiscFileCategory::installers:
        return installers;
    case MiscFileCategory::miscellaneous:
        break;
    }
    return miscellaneous;
}

} // namespace Sweepora::Core
