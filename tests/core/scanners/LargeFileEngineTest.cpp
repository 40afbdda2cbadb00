#include "scanners/LargeFileEngine.h"
#include "platform/Log.h"
#include "platform/Sandbox.h"
#include "support/ScopedTreeFixture.h"
#include "trash/Trash.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace Sweepora::Core;
using Sweepora::Test::ScopedTreeFixture;
using Sweepora::Test::TreeBuilder;

namespace {

// Accepts every move except those of `refused`, and remembers the order it was asked in.
class ScriptedTrash final : public Trash
{
public:
    QSet<QString> refused;
    QStringList asked;

    Result trashItem(const Item& item) override
    {
        const QString& path = item.path;
        asked.append(path);
        if (refused.contains(path))
            return {false, QStringLiteral("磁盘已满"), {}};
        return {true, {}, QStringLiteral("/trash/") + path.section(QLatin1Char('/'), -1)};
    }
};

QStringList names(const QList<LargeFileItem>& items)
{
    QStringList n;
    for (const LargeFileItem& i : items)
        n.append(i.path.section(QLatin1Char('/'), -1));
    return n;
}

class LargeFiles : public ScopedTreeFixture
{
};

} // namespace

TEST(LargeFileThreshold, SliderPositionsGiveTheirLabelsAndByteCounts)
{
    EXPECT_EQ(LargeFileEngine::sizeThresholdLabel(0.5), QStringLiteral("500 MB"));
    EXPECT_EQ(LargeFileEngine::sizeThresholdLabel(1.5), QStringLiteral("1.5 GB"));
    EXPECT_EQ(LargeFileEngine::sizeThresholdLabel(10.0), QStringLiteral("10 GB"));
    // Every slider stop is a whole number of half gigabytes.
    for (int stop = 1; stop <= 20; ++stop)
        EXPECT_EQ(LargeFileEngine::thresholdBytes(stop * 0.5), stop * 536'870'912LL) << stop;
    // Truncated, not rounded.
    EXPECT_EQ(LargeFileEngine::thresholdBytes(0.3), 322'122'547);
    EXPECT_EQ(LargeFileEngine::scanMessage(0.5), QStringLiteral("正在查找大于 500 MB 的文件…"));
}

TEST_F(LargeFiles, AFileIsJudgedByItsAllocatedSizeInclusively)
{
    // Two gigabytes long, a few kilobytes on disk.
    const QString sparse = m_tree.sparseFile(QStringLiteral("disk.img"), qint64(2) << 30, 8192);
    const qint64 allocated = TreeBuilder::allocatedBytes(sparse);
    ASSERT_GT(allocated, 0);
    ASSERT_LT(allocated, qint64(1) << 20);

    const auto atThreshold = LargeFileEngine::findLargeFilesOfAtLeast(m_tree.root(), allocated);
    ASSERT_EQ(atThreshold.items.size(), 1);
    EXPECT_EQ(atThreshold.items[0].path, sparse);
    EXPECT_EQ(atThreshold.items[0].size, allocated);
    EXPECT_FALSE(atThreshold.items[0].selected);
    EXPECT_EQ(atThreshold.message, QStringLiteral("发现 1 个大文件"));

    const auto oneByteShort = LargeFileEngine::findLargeFilesOfAtLeast(m_tree.root(), allocated + 1);
    EXPECT_TRUE(oneByteShort.items.isEmpty());
    EXPECT_EQ(oneByteShort.message, QStringLiteral("没有发现符合条件的大文件"));

    // Its logical length passes the 1 GB threshold; what it occupies does not.
    EXPECT_TRUE(LargeFileEngine::findLargeFiles(m_tree.root(), 1.0).items.isEmpty());
}

TEST_F(LargeFiles, OnlyVisibleRegularFilesOutsidePackagesLargerFirstThenNameIgnoringCase)
{
    const qint64 big = 64 * 1024;
    m_tree.file(QStringLiteral("Movies/keep.mov"), big);
    m_tree.file(QStringLiteral(".hidden.mov"), big);
    m_tree.file(QStringLiteral(".cache/inside-hidden.bin"), big);
    m_tree.file(QStringLiteral("Apps/Tool.app/Contents/payload.bin"), big);
    m_tree.file(QStringLiteral("Apps/notes.app"), big); // a file that only looks like a package
    m_tree.symlink(QStringLiteral("link.mov"), m_tree.path(QStringLiteral("Movies/keep.mov")));
    m_tree.file(QStringLiteral("small.txt"), 10);
    m_tree.file(QStringLiteral("x/B.mov"), 2 * big);
    m_tree.file(QStringLiteral("y/z/A2.mov"), 2 * big);
    m_tree.file(QStringLiteral("a.mov"), 2 * big);
    m_tree.file(QStringLiteral("c.mov"), 3 * big);

    const auto report = LargeFileEngine::findLargeFilesOfAtLeast(m_tree.root(), big);
    EXPECT_EQ(names(report.items),
              (QStringList{QStringLiteral("c.mov"), QStringLiteral("a.mov"), QStringLiteral("A2.mov"),
                           QStringLiteral("B.mov"), QStringLiteral("keep.mov"), QStringLiteral("notes.app")}));
    EXPECT_EQ(report.message, QStringLiteral("发现 6 个大文件"));
}

TEST_F(LargeFiles, ACleanGoesOnPastWhatTheTrashRefused)
{
    QStringList paths;
    for (const char* name : {"a.mov", "b.mov", "c.mov"})
        paths.append(m_tree.file(QString::fromLatin1(name), 10));
    const QList<LargeFileItem> items = LargeFileEngine::findLargeFilesOfAtLeast(m_tree.root(), 1).items;
    ASSERT_EQ(items.size(), 3);
    auto trash = std::make_shared<ScriptedTrash>();
    trash->refused = {paths[1]};
    Trash::setCurrent(trash);

    const TrashBatchResult partial = LargeFileEngine::moveToTrash(items);
    EXPECT_EQ(trash->asked, paths); // one by one, in list order, going on after the failure
    EXPECT_EQ(partial.moved, (QStringList{paths[0], paths[2]}));
    ASSERT_EQ(partial.failed.size(), 1);
    EXPECT_EQ(partial.failed[0].path, paths[1]);
    EXPECT_EQ(partial.failed[0].error, QStringLiteral("磁盘已满"));
    EXPECT_EQ(partial.message, QStringLiteral("已移动 2 个文件，部分文件处理失败"));
    EXPECT_EQ(loggedLines(),
              QStringList{QStringLiteral("[LargeFile] 移到废纸篓失败：") + paths[1] + QStringLiteral("，磁盘已满")});

    const TrashBatchResult full = LargeFileEngine::moveToTrash({items[0]});
    EXPECT_EQ(full.message, QStringLiteral("已将 1 个文件移到废纸篓"));
    EXPECT_TRUE(full.failed.isEmpty());
}
