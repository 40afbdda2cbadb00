// What the window and the command line say of a scan's findings, from the one table both read.
#include "core/sections/SectionTexts.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <functional>

using namespace Sweepora::Core;
using namespace Qt::StringLiterals;

namespace {

QDateTime local(int y, int m, int d, int h = 12)
{
    return QDateTime(QDate(y, m, d), QTime(h, 0));
}

} // namespace

TEST(SectionTexts, CountsAndNoneReadAsTheirSectionSays)
{
    using namespace SectionTexts;
    const std::pair<QString, QString> lines[] = {
        {rulesFound(3), u"发现 3 项可清理内容"_s},
        {rulesFound(0), u"没有发现可清理的内容"_s},
        {applicationCachesFound(3), u"发现 3 个应用的缓存垃圾"_s},
        {applicationCachesFound(0), u"没有发现可清理的应用垃圾"_s},
        {applicationsFound(2), u"找到 2 个应用"_s},
        {applicationsFound(0), u"没有找到应用"_s},
        {leftoversFound(4), u"发现 4 项残留文件"_s},
        {leftoversFound(0), u"没有发现残留文件"_s},
        {largeFilesFound(6), u"发现 6 个大文件"_s},
        {largeFilesFound(0), u"没有发现符合条件的大文件"_s},
        {emptyFoldersFound(8), u"发现 8 个空文件夹"_s},
        {emptyFoldersFound(0), u"没有发现空文件夹"_s},
        {duplicatesFound(5, 3'000'000), u"发现 5 组重复文件，可释放 3 MB"_s},
        {duplicatesFound(0, 0), u"没有发现重复文件"_s},
        {searching(u".pdf"_s), u"正在搜索“.pdf”…"_s},
        {searchFound(2, u".pdf"_s), u"找到 2 个名称包含“.pdf”的文件"_s},
        {searchFound(0, u"x"_s), u"没有找到名称包含“x”的文件"_s},
        {storageListing(3), u"共 3 项"_s},
        {storageListing(0), u"此目录为空"_s},
        {sizeThreshold(0.5), u"500 MB"_s},
        {sizeThreshold(1.5), u"1.5 GB"_s},
        {sizeThreshold(10.0), u"10 GB"_s},
        {largeFilesSearching(0.5), u"正在查找大于 500 MB 的文件…"_s},
        {miscFileTexts(MiscFileCategory::miscellaneous).resultMessage(3), u"发现 3 个闲杂文件"_s},
        {miscFileTexts(MiscFileCategory::installers).resultMessage(8), u"发现 8 个安装包"_s},
        {miscFileTexts(MiscFileCategory::archives).resultMessage(0), u"没有发现一个月以前的压缩包"_s},
        {creation(local(2024, 3, 5)), u"创建于 2024年3月5日"_s},
        // The end of a short month: 31 January to 1 March is one month and a day.
        {age(local(2027, 1, 31), local(2027, 3, 1)), u"1个月前"_s},
    };
    for (const auto& [line, expected] : lines)
        EXPECT_EQ(line, expected);

    const QDateTime now = local(2026, 12, 6, 22);
    const std::pair<QDateTime, QString> ages[] = {
        {now.addMonths(-2).addDays(-5), u"2个月前"_s},
        {now.addSecs(-3600), u"1天前"_s},
        {now.addMonths(-12), u"1年前"_s},
        {now.addMonths(-12).addSecs(1), u"11个月前"_s},
        {now.addDays(3), u"1天前"_s}, // a birth time ahead of the clock still reads as a day
    };
    for (const auto& [birth, text] : ages)
        EXPECT_EQ(age(birth, now), text) << birth.toString().toStdString();
}
