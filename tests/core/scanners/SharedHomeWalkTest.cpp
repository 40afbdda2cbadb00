#include "scanners/SharedHomeWalk.h"
#include "platform/Sandbox.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace Sweepora::Core;
using Sweepora::Test::TreeBuilder;

namespace {

QStringList pathsOf(const QList<MiscFileItem>& items)
{
    QStringList paths;
    for (const MiscFileItem& i : items)
        paths.append(i.path + QLatin1Char(' ') + QString::number(i.size));
    return paths;
}

QStringList pathsOf(const QList<EmptyFolderItem>& items)
{
    QStringList paths;
    for (const EmptyFolderItem& i : items)
        paths.append(i.path);
    return paths;
}

class SharedWalk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        Sandbox::reset();
        Sandbox::openScope(home);
        // Something for every scan, and what each must pass over.
        tree.file(QStringLiteral("Library/Logs/app.log"), 3000);
        tree.file(QStringLiteral("work/Cache.DB"), 2000);
        tree.file(QStringLiteral("work/build.log.zip"), 1500); // an archive, not a log
        tree.file(QStringLiteral("Downloads/photos.ZIP"), 4000);
        tree.file(QStringLiteral("Downloads/disk.iso"), 5000);
        tree.file(QStringLiteral("Downloads/Setup.pkg/Contents/payload"), 6000);
        tree.folder(QStringLiteral("empty/one"));
        tree.folder(QStringLiteral("nested/deeper/two"));
        tree.file(QStringLiteral(".hidden/app.log"), 100);
        tree.folder(QStringLiteral(".hidden/empty"));
        tree.file(QStringLiteral("Tool.app/Contents/run.log"), 100);
        tree.folder(QStringLiteral("Tool.app/Contents/empty"));
        tree.symlink(QStringLiteral("linked.log"), QStringLiteral("Library/Logs/app.log"));
    }

    QTemporaryDir m_dir;
    QString home = m_dir.path();
    TreeBuilder tree{home};
};

} // namespace

TEST_F(SharedWalk, EachScanGetsExactlyWhatItFindsWalkingAlone)
{
    const std::optional<QDateTime> noAgeRule;
    SharedHomeWalk walk(home);
    QFuture<MiscFileEngine::Report> misc = walk.addFileScan(MiscFileCategory::Miscellaneous, noAgeRule);
    QFuture<MiscFileEngine::Report> archives = walk.addFileScan(MiscFileCategory::Archives, noAgeRule);
    QFuture<MiscFileEngine::Report> installers = walk.addFileScan(MiscFileCategory::Installers, noAgeRule);
    QFuture<EmptyFolderEngine::Report> empty = walk.addEmptyFolderScan();
    EXPECT_EQ(walk.scanCount(), 4);
    walk.start();
    walk.start(); // a second start walks no second time

    for (auto [future, category] :
         {std::pair{misc, MiscFileCategory::Miscellaneous}, std::pair{archives, MiscFileCategory::Archives},
          std::pair{installers, MiscFileCategory::Installers}}) {
        const MiscFileEngine::Report alone = MiscFileEngine::findFiles(home, category, noAgeRule);
        const MiscFileEngine::Report shared = future.result();
        EXPECT_EQ(pathsOf(shared.items), pathsOf(alone.items)) << MiscFileEngine::noun(category).toStdString();
        EXPECT_EQ(shared.message, alone.message);
    }
    const EmptyFolderEngine::Report alone = EmptyFolderEngine::findEmptyFolders(home);
    EXPECT_EQ(pathsOf(empty.result().items), pathsOf(alone.items));
    EXPECT_EQ(pathsOf(empty.result().items),
              (QStringList{tree.path(QStringLiteral("nested/deeper/two")), tree.path(QStringLiteral("empty/one"))}));
    EXPECT_EQ(empty.result().message, QStringLiteral("发现 2 个空文件夹"));
}

TEST_F(SharedWalk, AgeRulesStayPerScan)
{
    // A cutoff in the distant past keeps no archive, while the miscellaneous scan on the same
    // walk, which has no age rule, still lists its files.
    const std::optional<QDateTime> longAgo = QDateTime::fromMSecsSinceEpoch(0);
    SharedHomeWalk walk(home);
    QFuture<MiscFileEngine::Report> archives = walk.addFileScan(MiscFileCategory::Archives, longAgo);
    QFuture<MiscFileEngine::Report> misc = walk.addFileScan(MiscFileCategory::Miscellaneous, longAgo);
    walk.run();
    ASSERT_TRUE(archives.isFinished() && misc.isFinished());
    EXPECT_TRUE(archives.result().items.isEmpty());
    EXPECT_EQ(archives.result().message, QStringLiteral("没有发现一个月以前的压缩包"));
    EXPECT_EQ(misc.result().items.size(),
              MiscFileEngine::findFiles(home, MiscFileCategory::Miscellaneous, longAgo).items.size());
}

TEST_F(SharedWalk, AWalkThatGoesUnstartedStillAnswersAndNothingOutsideTheOpenScopesIsFound)
{
    QFuture<EmptyFolderEngine::Report> empty;
    {
        SharedHomeWalk walk(home);
        empty = walk.addEmptyFolderScan();
    }
    empty.waitForFinished();
    ASSERT_EQ(empty.resultCount(), 1);
    EXPECT_EQ(empty.result().items.size(), 2);

    // Outside the open scopes nothing is found.
    Sandbox::reset();
    SharedHomeWalk outside(home);
    QFuture<MiscFileEngine::Report> misc = outside.addFileScan(MiscFileCategory::Miscellaneous, std::nullopt);
    QFuture<EmptyFolderEngine::Report> none = outside.addEmptyFolderScan();
    outside.run();
    EXPECT_TRUE(misc.result().items.isEmpty());
    EXPECT_TRUE(none.result().items.isEmpty());
}
