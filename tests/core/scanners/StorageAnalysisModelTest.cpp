#include "scanners/StorageAnalysisModel.h"
#include "platform/Notifications.h"
#include "support/HomeFixture.h"
#include "support/TrashFakes.h"
#include "support/TreeBuilder.h"
#include "trash/Trash.h"

#include <gtest/gtest.h>

#include <QTest>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

class StorageAnalysisModelTest : public HomeFixture
{
protected:
    void SetUp() override
    {
        HomeFixture::SetUp();
        m_tree->file(QStringLiteral("big/a"), 90000);
        m_tree->file(QStringLiteral("big/inner/b"), 30000);
        m_tree->file(QStringLiteral("small/c"), 20000);
        m_tree->file(QStringLiteral("note.txt"), 500);
    }

    static bool waitForListing(StorageAnalysisModel& model)
    {
        return QTest::qWaitFor([&] { return !model.isScanning(); }, 10000);
    }

    static QStringList names(const StorageAnalysisModel& model)
    {
        QStringList list;
        for (const StorageEntry& e : model.entries())
            list.append(QFileInfo(e.path).fileName());
        return list;
    }

    static StorageEntry entryNamed(const StorageAnalysisModel& model, const QString& name)
    {
        for (const StorageEntry& e : model.entries())
            if (QFileInfo(e.path).fileName() == name)
                return e;
        ADD_FAILURE() << "no entry " << name.toStdString();
        return {};
    }

    // Lists the home folder, then enters `name` and lists it.
    void listHomeThenEnter(StorageAnalysisModel& model, const QString& name)
    {
        model.refresh();
        ASSERT_TRUE(waitForListing(model));
        model.enterDirectory(entryNamed(model, name));
        ASSERT_TRUE(waitForListing(model));
        ASSERT_EQ(model.currentDirectory(), m_tree->path(name));
    }
};

TEST_F(StorageAnalysisModelTest, StartsAtHomeGoesUpNoFurtherAndEntersOnlyListedFolders)
{
    grantHome();
    StorageAnalysisModel model;
    EXPECT_EQ(model.currentDirectory(), home());
    EXPECT_EQ(model.directoryStack(), QStringList{home()});
    EXPECT_EQ(model.message(), QStringLiteral("选择一个目录查看空间占用排行"));
    EXPECT_TRUE(model.entries().isEmpty());

    int scanning = 0;
    QObject::connect(&model, &StorageAnalysisModel::isScanningChanged, [&] { ++scanning; });
    model.goUp();
    EXPECT_EQ(model.directoryStack(), QStringList{home()});
    EXPECT_EQ(scanning, 0);
    EXPECT_EQ(model.message(), QStringLiteral("选择一个目录查看空间占用排行"));

    // Only folders of the current listing can be entered.
    model.refresh();
    ASSERT_TRUE(waitForListing(model));
    const StorageEntry small = entryNamed(model, QStringLiteral("small"));
    model.enterDirectory(entryNamed(model, QStringLiteral("note.txt")));
    EXPECT_EQ(model.currentDirectory(), home());
    model.enterDirectory(entryNamed(model, QStringLiteral("big")));
    ASSERT_TRUE(waitForListing(model));
    model.enterDirectory(small); // a row of the home listing, tapped late, is not a child of "big"
    EXPECT_EQ(model.currentDirectory(), m_tree->path(QStringLiteral("big")));
    EXPECT_EQ(model.directoryStack().size(), 2);
}

TEST_F(StorageAnalysisModelTest, ListingIsComputedOnceThenCachedUntilRefreshed)
{
    grantHome();
    StorageAnalysisModel model;
    model.refresh();
    EXPECT_TRUE(model.isScanning());
    EXPECT_EQ(model.message(), QStringLiteral("正在计算当前目录大小…"));
    ASSERT_TRUE(waitForListing(model));
    EXPECT_EQ(names(model), (QStringList{QStringLiteral("big"), QStringLiteral("small"), QStringLiteral("note.txt")}));
    EXPECT_EQ(model.message(), QStringLiteral("共 3 项"));

    model.enterDirectory(entryNamed(model, QStringLiteral("big")));
    ASSERT_TRUE(waitForListing(model));
    EXPECT_EQ(model.directoryStack(), (QStringList{home(), m_tree->path(QStringLiteral("big"))}));
    EXPECT_EQ(names(model), (QStringList{QStringLiteral("a"), QStringLiteral("inner")}));

    // New files do not show in cached listings: going back and in again is instant.
    m_tree->file(QStringLiteral("fresh"), 200000);
    m_tree->file(QStringLiteral("big/fresh"), 200000);
    model.goUp();
    EXPECT_FALSE(model.isScanning());
    EXPECT_EQ(model.currentDirectory(), home());
    EXPECT_EQ(model.message(), QStringLiteral("共 3 项"));
    EXPECT_EQ(names(model).size(), 3);
    model.enterDirectory(entryNamed(model, QStringLiteral("big")));
    EXPECT_FALSE(model.isScanning());
    EXPECT_EQ(names(model).size(), 2);

    // Refreshing recomputes this folder only.
    model.refresh();
    EXPECT_TRUE(model.isScanning());
    ASSERT_TRUE(waitForListing(model));
    EXPECT_EQ(names(model).first(), QStringLiteral("fresh"));
    EXPECT_TRUE(model.hasCachedListing(home()));
    model.goUp();
    EXPECT_FALSE(model.isScanning());
    EXPECT_EQ(names(model).size(), 3);
}

TEST_F(StorageAnalysisModelTest, DeletionWithAFailureKeepsTheFailedItemSelectedAndDropsEveryCache)
{
    grantHome();
    auto trash = std::make_shared<FailingTrash>();
    Trash::setCurrent(trash);
    StorageAnalysisModel model;
    listHomeThenEnter(model, QStringLiteral("big"));
    const StorageEntry a = entryNamed(model, QStringLiteral("a"));
    const StorageEntry inner = entryNamed(model, QStringLiteral("inner"));
    trash->failPath(inner.path);
    int trashChanged = 0;
    QObject::connect(&Notifications::instance(), &Notifications::trashContentsDidChange, &model,
                     [&] { ++trashChanged; });

    model.setSelected(inner.path, true);
    model.setSelected(a.path, true);
    EXPECT_EQ(model.selectedEntries(), (QList<StorageEntry>{a, inner})) << "in listing order";
    EXPECT_EQ(model.selectedSize(), a.size + inner.size);
    model.deleteSelected();
    EXPECT_TRUE(model.isDeleting());
    model.deleteSelected(); // refused while one runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isDeleting(); }, 10000));

    EXPECT_EQ(trash->attempted(), (QStringList{a.path, inner.path}));
    EXPECT_FALSE(QFileInfo::exists(a.path));
    EXPECT_TRUE(QFileInfo::exists(inner.path));
    EXPECT_EQ(model.entries(), QList<StorageEntry>{inner});
    EXPECT_EQ(model.selectedEntryIDs(), QSet<QString>{inner.path});
    EXPECT_EQ(model.message(), QStringLiteral("已移到废纸篓 1 项，1 项失败"));
    EXPECT_TRUE(loggedLines().contains(QStringLiteral("[StorageAnalysis] 移到废纸篓失败：") + inner.path +
                                       QStringLiteral("，") + FailingTrash::kDefaultError));
    EXPECT_TRUE(QTest::qWaitFor([&] { return trashChanged == 1; }));

    // The home listing was cached before; its sizes are stale now, so going up recomputes.
    EXPECT_FALSE(model.hasCachedListing(home()));
    model.goUp();
    EXPECT_TRUE(model.isScanning());
    ASSERT_TRUE(waitForListing(model));
    EXPECT_EQ(entryNamed(model, QStringLiteral("big")).size, inner.size);
}

TEST_F(StorageAnalysisModelTest, MovingOnDuringAComputationShowsTheFolderTheUserIsIn)
{
    grantHome();
    StorageAnalysisModel model;
    listHomeThenEnter(model, QStringLiteral("big"));
    model.goUp();
    ASSERT_FALSE(model.isScanning());

    // Home is recomputed; meanwhile the user enters the cached "big": it shows at once.
    model.refresh();
    ASSERT_TRUE(model.isScanning());
    model.enterDirectory(entryNamed(model, QStringLiteral("big")));
    EXPECT_EQ(names(model), (QStringList{QStringLiteral("a"), QStringLiteral("inner")}));
    ASSERT_TRUE(waitForListing(model));
    EXPECT_EQ(model.currentDirectory(), m_tree->path(QStringLiteral("big")));
    EXPECT_EQ(names(model), (QStringList{QStringLiteral("a"), QStringLiteral("inner")}));
    EXPECT_TRUE(model.hasCachedListing(home()));

    // Home is recomputed again; meanwhile the user enters "small", never listed: nothing of
    // home stays under its name, and its own listing follows.
    model.goUp();
    model.refresh();
    model.enterDirectory(entryNamed(model, QStringLiteral("small")));
    EXPECT_TRUE(model.entries().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.hasCachedListing(m_tree->path(QStringLiteral("small"))); }, 10000));
    ASSERT_TRUE(waitForListing(model));
    EXPECT_EQ(names(model), QStringList{QStringLiteral("c")});
    EXPECT_EQ(model.message(), QStringLiteral("共 1 项"));
    EXPECT_EQ(model.directoryStack(), (QStringList{home(), m_tree->path(QStringLiteral("small"))}));
}

TEST_F(StorageAnalysisModelTest, ChoosingAFolderStartsAFreshPathThereAndUnreadableOnesChangeNothing)
{
    const QString other = makeFolder(QStringLiteral("elsewhere/photos"));
    TreeBuilder(other).file(QStringLiteral("p.jpg"), 7000);
    StorageAnalysisModel model;

    // Without a home grant the home folder cannot be read.
    model.refresh();
    EXPECT_FALSE(model.isScanning());
    EXPECT_EQ(model.message(), QStringLiteral("请授权访问此目录"));
    EXPECT_TRUE(model.entries().isEmpty());
    m_picker->answerWith(makeFolder(QStringLiteral("gone")) + QStringLiteral("/missing"));
    model.chooseDirectory();
    EXPECT_EQ(model.message(), QStringLiteral("无法读取所选目录，请重新授权"));
    EXPECT_EQ(model.currentDirectory(), home());

    m_picker->cancelNext();
    model.chooseDirectory();
    ASSERT_EQ(m_picker->requests().size(), 2);
    EXPECT_EQ(m_picker->requests()[1].title, QStringLiteral("选择要分析的目录"));
    EXPECT_EQ(m_picker->requests()[1].prompt, QStringLiteral("分析此目录"));
    EXPECT_EQ(m_picker->requests()[1].directory, home());
    EXPECT_EQ(model.currentDirectory(), home());

    // No home grant is needed for a folder the user picked.
    m_picker->answerWith(other + QStringLiteral("/"));
    model.chooseDirectory();
    EXPECT_EQ(model.currentDirectory(), other);
    EXPECT_EQ(model.directoryStack(), QStringList{other});
    ASSERT_TRUE(waitForListing(model));
    EXPECT_EQ(names(model), QStringList{QStringLiteral("p.jpg")});
}

} // namespace
