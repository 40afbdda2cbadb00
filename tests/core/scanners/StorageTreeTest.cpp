// The storage tree from one walk, and the treemap laid out on it.
#include "core/scanners/StorageTree.h"
#include "core/platform/Sandbox.h"
#include "core/scanners/TreemapLayout.h"
#include "core/trash/ItemIdentity.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace Sweepora::Core;
using Sweepora::Test::TreeBuilder;
using namespace Qt::StringLiterals;

namespace {

class StorageTreeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        Sandbox::reset();
        Sandbox::openScope(m_dir.path());
    }

    // Every folder's tiles: inside their folder's inner rectangle, apart from each other, and
    // with their areas adding up to it (when anything was drawn in it).
    static void checkLayout(const std::vector<TreemapTile>& tiles, const QRectF& bounds)
    {
        std::map<std::pair<StorageTree::Index, int>, std::vector<QRectF>> byFolder;
        for (const TreemapTile& tile : tiles) {
            EXPECT_GT(tile.size, 0);
            EXPECT_TRUE(bounds.adjusted(-1e-6, -1e-6, 1e-6, 1e-6).contains(tile.rect));
            byFolder[{tile.folder, tile.depth}].push_back(tile.rect);
        }
        for (const auto& [key, rects] : byFolder) {
            double area = 0;
            QRectF united;
            for (size_t i = 0; i < rects.size(); ++i) {
                area += rects[i].width() * rects[i].height();
                united = united.united(rects[i]);
                for (size_t j = i + 1; j < rects.size(); ++j) {
                    const QRectF overlap = rects[i].intersected(rects[j]);
                    EXPECT_LT(overlap.width() * overlap.height(), 1e-6) << "tiles overlap in folder " << key.first;
                }
            }
            EXPECT_NEAR(area, united.width() * united.height(), 1e-3 * area) << "folder " << key.first;
        }
    }

    QTemporaryDir m_dir;
    TreeBuilder tree{m_dir.path()};
};

} // namespace

TEST_F(StorageTreeTest, SizesAddUpLargerFirstNothingIsFollowedOrListedTwiceAndEntriesStayCompact)
{
    tree.file(u"a/big.mp4"_s, 300000);
    tree.file(u"a/deep/x.txt"_s, 5000);
    tree.file(u"a/.hidden/y"_s, 7000); // hidden below the top counts
    tree.file(u"b.zip"_s, 100000);
    tree.file(u".cache/c"_s, 900000);
    tree.folder(u"empty"_s);
    tree.file(u"zero"_s);
    tree.symlink(u"link"_s, u"a"_s);

    const StorageTree plain = StorageTree::build(tree.root(), false);
    ASSERT_TRUE(plain.isValid());
    std::vector<std::string> names;
    for (size_t i = 0; i < plain.children(plain.root()).size(); ++i)
        names.emplace_back(plain.name(plain.childIndex(plain.root(), i)));
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b.zip", "empty", "zero"}));
    const StorageTree::Index a = *plain.folderAt(tree.path(u"a"_s));
    EXPECT_EQ(plain.node(a).size, TreeBuilder::allocatedBytes(tree.path(u"a/big.mp4"_s)) +
                                      TreeBuilder::allocatedBytes(tree.path(u"a/deep/x.txt"_s)) +
                                      TreeBuilder::allocatedBytes(tree.path(u"a/.hidden/y"_s)));
    EXPECT_EQ(plain.node(plain.root()).size, plain.node(a).size + plain.node(*plain.find(0, "b.zip")).size);
    EXPECT_EQ(plain.node(*plain.find(a, "big.mp4")).fileKind, FileKind::video);
    EXPECT_TRUE(plain.node(*plain.find(a, ".hidden")).isHidden());
    EXPECT_FALSE(plain.folderAt(tree.path(u"link"_s)));
    EXPECT_FALSE(plain.folderAt(m_dir.path() + u"/../x"_s));

    // The identity is what a clean checks: the entry itself and the folder it lies in.
    const ItemIdentity id = plain.identity(a, *plain.find(a, "big.mp4"));
    EXPECT_TRUE(id.known);
    EXPECT_EQ(id, ItemIdentity::lookUp(tree.path(u"a/big.mp4"_s)));

    const StorageTree hidden = StorageTree::build(tree.root(), true);
    EXPECT_TRUE(hidden.find(0, ".cache"));
    EXPECT_EQ(hidden.node(0).size, plain.node(0).size + hidden.node(*hidden.find(0, ".cache")).size);

    // Each entry stays compact.
    for (int f = 0; f < 20; ++f)
        for (int i = 0; i < 25; ++i)
            tree.file(u"many/folder-%1/file-number-%2.txt"_s.arg(f).arg(i), 1);
    const StorageTree built = StorageTree::build(tree.path(u"many"_s), false);
    ASSERT_EQ(built.entryCount(), 20 + 20 * 25);
    EXPECT_LT(double(built.bytesUsed()) / double(built.entryCount()), 120.0);
}

TEST_F(StorageTreeTest, TreemapTilesFillEachFolderWithoutOverlapIncludingDegenerateFolders)
{
    // A real spread, a single child, a zero-size child, and one huge file among many tiny ones.
    for (int i = 0; i < 30; ++i)
        tree.file(u"spread/f%1"_s.arg(i), 4096 * (i + 1));
    tree.file(u"single/only"_s, 50000);
    tree.file(u"zero/empty"_s);
    tree.file(u"zero/some"_s, 8192);
    tree.file(u"huge/big"_s, 4 << 20);
    for (int i = 0; i < 200; ++i)
        tree.file(u"huge/tiny%1"_s.arg(i), 1);
    const StorageTree built = StorageTree::build(tree.root(), false);
    const QRectF bounds(0, 0, 800, 500);
    // Items under 30×30 are too small to draw here: the 4 KiB files beside 4 MiB.
    const std::vector<TreemapTile> tiles = layoutTreemap(built, built.root(), bounds, {3, 30.0, 2.0, 0.0});
    checkLayout(tiles, bounds);

    const auto tilesIn = [&](const char* folder) {
        const std::vector<TreemapTile> in = layoutTreemap(built, *built.find(0, folder), bounds, {3, 30.0, 2.0, 0.0});
        checkLayout(in, bounds);
        return in;
    };
    ASSERT_EQ(tilesIn("single").size(), 1u);
    EXPECT_EQ(tilesIn("single")[0].rect, bounds); // a single child fills its folder
    EXPECT_EQ(tilesIn("zero").size(), 1u);        // the empty file gets no tile
    const std::vector<TreemapTile> huge = tilesIn("huge");
    ASSERT_EQ(huge.size(), 2u); // the big file, and the tiny ones as one block
    EXPECT_TRUE(huge[1].aggregate);
    EXPECT_EQ(huge[1].size, built.node(*built.find(0, "huge")).size - built.node(huge[0].node).size);
    for (const TreemapTile& t : tiles) // every tile knows which listed row it belongs to
        EXPECT_EQ(t.depth == 0 ? t.node : t.top, t.top);

    // An empty folder draws nothing.
    tree.folder(u"nothing"_s);
    const StorageTree again = StorageTree::build(tree.root(), false);
    EXPECT_TRUE(layoutTreemap(again, *again.find(0, "nothing"), bounds).empty());
}
