#include "scanners/EmptyFolderEngine.h"
#include "platform/PathBytes.h"
#include "platform/Sandbox.h"
#include "support/ScopedTreeFixture.h"
#include "trash/Trash.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace Sweepora::Core;
using Sweepora::Test::ScopedTreeFixture;
using Sweepora::Test::TreeBuilder;

namespace {

class EmptyFolders : public ScopedTreeFixture
{
protected:
    // Paths relative to the home, in the order found.
    QStringList found() const
    {
        QStringList relative;
        for (const EmptyFolderItem& item : EmptyFolderEngine::findEmptyFolders(home).items)
            relative.append(QDir(home).relativeFilePath(item.path));
        return relative;
    }

    QString home = m_dir.path();
    TreeBuilder& tree = m_tree;
};

} // namespace

TEST_F(EmptyFolders, OnlyVisibleFoldersWithNoEntryAtAllOutsidePackagesAreListed)
{
    tree.folder(QStringLiteral("a/b/c"));               // only c is empty; b holds c
    tree.file(QStringLiteral("dsstore/.DS_Store"));     // a hidden file still counts
    tree.folder(QStringLiteral("holder/.hiddenEmpty")); // a hidden folder counts as well, but is never listed
    tree.file(QStringLiteral("full/file.txt"), 10);
    tree.file(QStringLiteral("zero/zero-length"));
    tree.folder(QStringLiteral(".cache/empty"));
    tree.folder(QStringLiteral("Tool.app/Contents/Resources/empty"));
    tree.folder(QStringLiteral("Empty.bundle"));
    const QString target = tree.folder(QStringLiteral("real/empty"));
    tree.symlink(QStringLiteral("link-to-empty"), target);
    tree.symlink(QStringLiteral("dangling"), home + QStringLiteral("/nowhere"));
    EXPECT_EQ(found(), (QStringList{QStringLiteral("a/b/c"), QStringLiteral("real/empty")}));
}

TEST_F(EmptyFolders, TheHomeIsNotAnItemNothingOutsideTheScopeIsFoundAndNamesKeepTheirBytes)
{
    EXPECT_TRUE(found().isEmpty()); // home exists and is empty
    const EmptyFolderEngine::Report report = EmptyFolderEngine::findEmptyFolders(home);
    EXPECT_EQ(report.message, QStringLiteral("没有发现空文件夹"));

    // Outside the open scopes nothing is found; inside, a name that is not UTF-8 keeps its bytes.
    tree.fileBytes("odd/keep");
    const std::string raw = TreeBuilder::bytes(home) + "/caf\xe9";
    ASSERT_EQ(::mkdir(raw.c_str(), 0700), 0);
    Sandbox::reset();
    EXPECT_TRUE(found().isEmpty());
    Sandbox::openScope(home);
    const QList<EmptyFolderItem> items = EmptyFolderEngine::findEmptyFolders(home).items;
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(bytesFromPath(items[0].path).toStdString(), raw);
}

TEST_F(EmptyFolders, DeeperFirstThenPathIgnoringCase)
{
    tree.folder(QStringLiteral("d1/d2/d3/d4/d5")); // 5 below home
    tree.folder(QStringLiteral("d1/d2/d3/Zeta"));  // 4
    tree.folder(QStringLiteral("d1/d2/d3/beta"));  // 4
    tree.folder(QStringLiteral("d1/d2/d3/Alpha")); // 4
    tree.folder(QStringLiteral("top"));            // 1
    // Depth counts components, not characters.
    tree.folder(QStringLiteral("x/a-name-longer-than-any-of-the-deeper-paths-above"));
    EXPECT_EQ(found(), (QStringList{QStringLiteral("d1/d2/d3/d4/d5"), QStringLiteral("d1/d2/d3/Alpha"),
                                    QStringLiteral("d1/d2/d3/beta"), QStringLiteral("d1/d2/d3/Zeta"),
                                    QStringLiteral("x/a-name-longer-than-any-of-the-deeper-paths-above"),
                                    QStringLiteral("top")}));
    const EmptyFolderEngine::Report report = EmptyFolderEngine::findEmptyFolders(home);
    EXPECT_EQ(report.message, QStringLiteral("发现 6 个空文件夹"));
    for (const EmptyFolderItem& item : report.items)
        EXPECT_FALSE(item.selected);
}

TEST_F(EmptyFolders, AfterTheEmptyChildMovesANewScanFindsItsParent)
{
    tree.folder(QStringLiteral("a/b/c"));
    const QList<EmptyFolderItem> first = EmptyFolderEngine::findEmptyFolders(home).items;
    ASSERT_EQ(first.size(), 1);
    QList<EmptyFolderItem> selection = first;
    selection[0].selected = true;
    const TrashBatchResult result = EmptyFolderEngine::moveToTrash(selection);
    EXPECT_EQ(result.moved, QStringList{first[0].path});
    EXPECT_EQ(result.message, QStringLiteral("已将 1 个空文件夹移到废纸篓"));
    EXPECT_FALSE(QFileInfo::exists(first[0].path));
    EXPECT_EQ(found(), QStringList{QStringLiteral("a/b")});
}

TEST_F(EmptyFolders, AFolderThatGainedAnEntryStaysAndIsReportedWhileTheRestMove)
{
    tree.folder(QStringLiteral("one"));
    tree.folder(QStringLiteral("two"));
    tree.folder(QStringLiteral("three"));
    const QList<EmptyFolderItem> items = EmptyFolderEngine::findEmptyFolders(home).items;
    ASSERT_EQ(items.size(), 3);
    tree.file(QStringLiteral("two/.DS_Store")); // even a hidden entry makes it not empty

    const TrashBatchResult result = EmptyFolderEngine::moveToTrash(items);
    EXPECT_EQ(result.moved.size(), 2);
    ASSERT_EQ(result.failed.size(), 1);
    EXPECT_EQ(result.failed[0].path, tree.path(QStringLiteral("two")));
    EXPECT_EQ(result.failed[0].error, EmptyFolderEngine::kNoLongerEmpty);
    EXPECT_EQ(result.message, QStringLiteral("已移动 2 个文件夹，部分目录已非空或处理失败"));
    EXPECT_TRUE(QFileInfo::exists(tree.path(QStringLiteral("two/.DS_Store"))));
    EXPECT_EQ(loggedLines().size(), 1);
}

TEST_F(EmptyFolders, AFolderReplacedSinceTheScanIsNotMovedAndIsReportedAsFailed)
{
    tree.folder(QStringLiteral("becomes-link"));
    tree.folder(QStringLiteral("becomes-other"));
    const QString target = tree.folder(QStringLiteral("elsewhere/target"));
    tree.file(QStringLiteral("elsewhere/keep"));
    const QList<EmptyFolderItem> items = EmptyFolderEngine::findEmptyFolders(home).items;
    ASSERT_EQ(items.size(), 3);

    // An empty folder swapped for a link to an empty folder, and one for a new empty folder.
    ASSERT_TRUE(QDir().rmdir(tree.path(QStringLiteral("becomes-link"))));
    tree.symlink(QStringLiteral("becomes-link"), target);
    ASSERT_TRUE(QDir().mkdir(tree.path(QStringLiteral("becomes-other.new"))));
    ASSERT_TRUE(QDir().rmdir(tree.path(QStringLiteral("becomes-other"))));
    ASSERT_TRUE(
        QDir().rename(tree.path(QStringLiteral("becomes-other.new")), tree.path(QStringLiteral("becomes-other"))));

    QList<EmptyFolderItem> changed;
    for (const EmptyFolderItem& item : items)
        if (!item.path.endsWith(QLatin1String("target")))
            changed.append(item);
    const TrashBatchResult result = EmptyFolderEngine::moveToTrash(changed);
    EXPECT_TRUE(result.moved.isEmpty());
    EXPECT_EQ(result.failed.size(), 2);
    EXPECT_EQ(result.message, QStringLiteral("已移动 0 个文件夹，部分目录已非空或处理失败"));
    EXPECT_TRUE(QFileInfo(tree.path(QStringLiteral("becomes-link"))).isSymLink());
    EXPECT_TRUE(QFileInfo(target).isDir());
    ASSERT_EQ(loggedLines().size(), 2);
    EXPECT_TRUE(loggedLines()[0].startsWith(QStringLiteral("[EmptyFolderCleanup] 移到废纸篓失败：") + changed[0].path +
                                            QStringLiteral("，")));
}
