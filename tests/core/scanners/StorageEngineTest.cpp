#include "scanners/StorageEngine.h"
#include "platform/Sandbox.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <tuple>

#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace Sweepora::Core;
using Sweepora::Test::TreeBuilder;

namespace {

// What a listing says of an entry, without the identity the walk keeps for the clean.
std::tuple<QString, bool, qint64> shape(const StorageEntry& e)
{
    return {e.path, e.isDirectory, e.size};
}

class StorageEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_root = m_dir.path() + QStringLiteral("/root");
        m_tree = std::make_unique<TreeBuilder>(m_root);
        m_tree->folder(QStringLiteral("."));
        Sandbox::reset();
        Sandbox::openScope(m_root);
    }

    const StorageEntry* find(const QList<StorageEntry>& entries, const QString& name) const
    {
        for (const StorageEntry& e : entries)
            if (e.path == m_tree->path(name))
                return &e;
        return nullptr;
    }

    QTemporaryDir m_dir;
    QString m_root;
    std::unique_ptr<TreeBuilder> m_tree;
};

TEST_F(StorageEngineTest, FolderSizesCountHiddenFilesAndPackageContentsButNoLinks)
{
    const QString outside = TreeBuilder(m_dir.path()).file(QStringLiteral("outside/huge"), 300000);
    const qint64 inFolder = TreeBuilder::allocatedBytes(m_tree->file(QStringLiteral("docs/a"), 40000)) +
                            TreeBuilder::allocatedBytes(m_tree->file(QStringLiteral("docs/.hidden"), 8000)) +
                            TreeBuilder::allocatedBytes(m_tree->file(QStringLiteral("docs/.cache/deep/b"), 4000));
    m_tree->symlink(QStringLiteral("docs/link"), outside);
    m_tree->symlink(QStringLiteral("docs/linkdir"), QFileInfo(outside).path());
    const qint64 inPackage =
        TreeBuilder::allocatedBytes(m_tree->file(QStringLiteral("Tool.app/Contents/MacOS/tool"), 12000));
    const qint64 loose = TreeBuilder::allocatedBytes(m_tree->file(QStringLiteral("loose.bin"), 10000));
    m_tree->folder(QStringLiteral("empty"));

    const QList<StorageEntry> entries = StorageEngine::listDirectory(m_root);

    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(shape(*find(entries, QStringLiteral("docs"))),
              std::make_tuple(m_tree->path(QStringLiteral("docs")), true, qint64(inFolder)));
    EXPECT_EQ(shape(*find(entries, QStringLiteral("Tool.app"))),
              std::make_tuple(m_tree->path(QStringLiteral("Tool.app")), true, qint64(inPackage)));
    EXPECT_EQ(shape(*find(entries, QStringLiteral("loose.bin"))),
              std::make_tuple(m_tree->path(QStringLiteral("loose.bin")), false, qint64(loose)));
    EXPECT_EQ(shape(*find(entries, QStringLiteral("empty"))),
              std::make_tuple(m_tree->path(QStringLiteral("empty")), true, qint64(0)));
    for (qsizetype i = 1; i < entries.size(); ++i)
        EXPECT_GE(entries[i - 1].size, entries[i].size);
}

TEST_F(StorageEngineTest, RanksByAllocatedSizeThenByNameIgnoringCase)
{
    // A 64 MB file that holds 4 KB of data takes less room than a plain 64 KB one.
    m_tree->sparseFile(QStringLiteral("sparse.img"), 64 << 20, 4096);
    m_tree->file(QStringLiteral("plain.dat"), 64 << 10);
    m_tree->file(QStringLiteral("beta"), 20000);
    m_tree->file(QStringLiteral("Alpha"), 20000);
    if (TreeBuilder::allocatedBytes(m_tree->path(QStringLiteral("sparse.img"))) >=
        TreeBuilder::allocatedBytes(m_tree->path(QStringLiteral("plain.dat"))))
        GTEST_SKIP() << "this file system stores no holes";
    ASSERT_EQ(TreeBuilder::allocatedBytes(m_tree->path(QStringLiteral("beta"))),
              TreeBuilder::allocatedBytes(m_tree->path(QStringLiteral("Alpha"))));

    const QList<StorageEntry> entries = StorageEngine::listDirectory(m_root);
    QStringList names;
    for (const StorageEntry& e : entries)
        names.append(QFileInfo(e.path).fileName());
    EXPECT_EQ(names, (QStringList{QStringLiteral("plain.dat"), QStringLiteral("Alpha"), QStringLiteral("beta"),
                                  QStringLiteral("sparse.img")}));
    EXPECT_EQ(entries.last().size, TreeBuilder::allocatedBytes(m_tree->path(QStringLiteral("sparse.img"))));
}

TEST_F(StorageEngineTest, HiddenChildrenLinksAndFoldersThatCannotBeListedGiveNothing)
{
    m_tree->file(QStringLiteral(".profile"), 5000);
    m_tree->file(QStringLiteral(".config/app/settings"), 5000);
    m_tree->symlink(QStringLiteral("to-config"), m_tree->path(QStringLiteral(".config")));
    m_tree->symlink(QStringLiteral("dangling"), m_tree->path(QStringLiteral("nowhere")));
    EXPECT_TRUE(StorageEngine::listDirectory(m_root).isEmpty());
    EXPECT_EQ(StorageEngine::listingMessage(0), QStringLiteral("此目录为空"));
    EXPECT_EQ(StorageEngine::listingMessage(3), QStringLiteral("共 3 项"));

    EXPECT_TRUE(StorageEngine::listDirectory(m_tree->path(QStringLiteral("missing"))).isEmpty());
    // Outside every open scope the sandbox answers with nothing, as for an unreadable folder.
    TreeBuilder(m_dir.path()).file(QStringLiteral("elsewhere/file"), 1000);
    EXPECT_TRUE(StorageEngine::listDirectory(m_dir.path() + QStringLiteral("/elsewhere")).isEmpty());
    // A file is not a folder.
    EXPECT_TRUE(StorageEngine::listDirectory(m_tree->file(QStringLiteral("f"), 10)).isEmpty());
}

TEST_F(StorageEngineTest, ManyChildrenAreEachSizedInOneWalk)
{
    qint64 expected[40] = {};
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j <= i % 5; ++j)
            expected[i] +=
                TreeBuilder::allocatedBytes(m_tree->file(QStringLiteral("d%1/sub%2/f").arg(i).arg(j), 1000 * (i + 1)));
    const QList<StorageEntry> entries = StorageEngine::listDirectory(m_root);
    ASSERT_EQ(entries.size(), 40);
    for (int i = 0; i < 40; ++i) {
        const StorageEntry* e = find(entries, QStringLiteral("d%1").arg(i));
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->size, expected[i]) << i;
    }
}

} // namespace
