#include "apps/ApplicationUninstallEngine.h"
#include "support/ApplicationFixture.h"
#include "support/TrashFakes.h"
#include "trash/Trash.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

class ApplicationUninstallEngineTest : public ApplicationFixture
{
protected:
    void SetUp() override
    {
        ApplicationFixture::SetUp();
        grantHome();
    }
    QList<UninstallApplication> list() const
    {
        return ApplicationUninstallEngine::listApplications({sharedApps(), homeApps()}, home());
    }
    static QStringList paths(const QList<UninstallItem>& items)
    {
        QStringList p;
        for (const UninstallItem& i : items)
            p.append(i.path);
        return p;
    }
};

TEST_F(ApplicationUninstallEngineTest, CandidatesSearchIdentifierThenNameAndDropUnsafeTerms)
{
    const QStringList c = ApplicationUninstallEngine::relatedCandidates(QStringLiteral("com.x"), QStringLiteral("X"),
                                                                        QStringLiteral("/h"));
    ASSERT_EQ(c.size(), 16);
    EXPECT_EQ(c[0], QStringLiteral("/h/Library/Caches/com.x"));
    EXPECT_EQ(c[6], QStringLiteral("/h/Library/Application Scripts/com.x"));
    EXPECT_EQ(c[7], QStringLiteral("/h/Library/Caches/X"));
    EXPECT_EQ(c[14], QStringLiteral("/h/Library/Preferences/com.x.plist"));
    EXPECT_EQ(c[15], QStringLiteral("/h/Library/Saved Application State/com.x.savedState"));

    // A "/" in the name keeps only the identifier's candidates; ".." and "" would name the
    // Library or a whole base folder and are never candidates.
    EXPECT_EQ(ApplicationUninstallEngine::relatedCandidates(QStringLiteral("com.x"), QStringLiteral("A/B"),
                                                            QStringLiteral("/h"))
                  .size(),
              9);
    EXPECT_TRUE(
        ApplicationUninstallEngine::relatedCandidates(QStringLiteral(".."), QStringLiteral(""), QStringLiteral("/h"))
            .isEmpty());
    EXPECT_EQ(ApplicationUninstallEngine::relatedCandidates(std::nullopt, QStringLiteral("Name"), QStringLiteral("/h"))
                  .size(),
              7);
}

TEST_F(ApplicationUninstallEngineTest, ListingFindsNestedBundlesOnceWithExactlyNamedRelatedItems)
{
    BundlePlist tool = BundleBuilder::binary(QStringLiteral("com.tool"), 100);
    tool.displayName = QStringLiteral("Tool");
    BundleBuilder::make(sharedApps() + QStringLiteral("/Utilities/Tool.app"), tool);
    BundleBuilder::make(sharedApps() + QStringLiteral("/Utilities/Tool.app/Contents/Inner.app"),
                        BundleBuilder::xml(QStringLiteral("com.inner")));
    m_tree->file(QStringLiteral("Library/Caches/com.tool/c"), 40);
    m_tree->file(QStringLiteral("Library/Application Support/Tool/data"), 30);
    m_tree->file(QStringLiteral("Library/Application Support/Tool2/data"), 30);
    m_tree->file(QStringLiteral("Library/Application Support/tool/data"), 30);
    m_tree->file(QStringLiteral("Library/Preferences/com.tool.plist"), 5);
    m_tree->file(QStringLiteral("Library/Saved Application State/com.tool.savedState/.hidden"), 2);

    const QList<UninstallApplication> apps = list();
    ASSERT_EQ(apps.size(), 1);
    const UninstallApplication& app = apps[0];
    EXPECT_EQ(app.name, QStringLiteral("Tool"));
    EXPECT_EQ(app.bundleID, QStringLiteral("com.tool"));
    EXPECT_GE(app.appSize, 100); // the executable and the Info.plist, package contents included
    EXPECT_EQ(paths(app.related),
              (QStringList{library() + QStringLiteral("/Caches/com.tool"),
                           library() + QStringLiteral("/Application Support/Tool"),
                           library() + QStringLiteral("/Preferences/com.tool.plist"),
                           library() + QStringLiteral("/Saved Application State/com.tool.savedState")}));
    EXPECT_EQ(app.related[3].size, 2); // hidden files count in an item's size
    EXPECT_EQ(app.totalSize(), app.appSize + 77);
}

TEST_F(ApplicationUninstallEngineTest, TheSameIdentifierInTwoRootsIsListedTwiceWithTheSameItems)
{
    BundleBuilder::make(sharedApps() + QStringLiteral("/Dup.app"), BundleBuilder::xml(QStringLiteral("com.dup")));
    BundleBuilder::make(homeApps() + QStringLiteral("/Dup.app"), BundleBuilder::binary(QStringLiteral("com.dup")));
    m_tree->file(QStringLiteral("Library/Logs/com.dup/l"), 9);
    const QList<UninstallApplication> apps = list();
    ASSERT_EQ(apps.size(), 2);
    EXPECT_NE(apps[0].path, apps[1].path);
    EXPECT_EQ(apps[0].related, apps[1].related);
    // Listing a root twice does not list its bundles twice.
    EXPECT_EQ(
        ApplicationUninstallEngine::listApplications({homeApps(), homeApps() + QStringLiteral("/.")}, home()).size(),
        1);
}

TEST_F(ApplicationUninstallEngineTest, EqualSizesKeepDiscoveryOrder)
{
    BundleBuilder::make(sharedApps() + QStringLiteral("/b.app"), BundleBuilder::xml(QStringLiteral("com.b")));
    BundleBuilder::make(sharedApps() + QStringLiteral("/A.app"), BundleBuilder::xml(QStringLiteral("com.a")));
    BundleBuilder::make(homeApps() + QStringLiteral("/C.app"), BundleBuilder::xml(QStringLiteral("com.c")));
    BundleBuilder::make(homeApps() + QStringLiteral("/Big.app"), BundleBuilder::xml(QStringLiteral("com.big"), 1000));
    m_tree->file(QStringLiteral("Library/Caches/com.a/x"), 4);
    m_tree->file(QStringLiteral("Library/Logs/com.a/x"), 4);
    QStringList names;
    for (const UninstallApplication& a : list())
        names.append(a.name);
    // Roots in order, then paths within a root; sizes are equal except Big's.
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("Big"), QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("C")}));
    const UninstallApplication a = list()[1];
    EXPECT_EQ(paths(a.related),
              (QStringList{library() + QStringLiteral("/Caches/com.a"), library() + QStringLiteral("/Logs/com.a")}));
}

TEST_F(ApplicationUninstallEngineTest, MovesCountDeclinedFoldersAsFailedWithoutTryingThem)
{
    const QString bundle =
        BundleBuilder::make(sharedApps() + QStringLiteral("/X.app"), BundleBuilder::xml(QStringLiteral("com.x")));
    const QString cache = m_tree->folder(QStringLiteral("Library/Caches/com.x"));
    const QString prefs = m_tree->file(QStringLiteral("Library/Preferences/com.x.plist"), 3);
    auto trash = std::make_shared<FailingTrash>();
    trash->failPath(prefs, QStringLiteral("磁盘已满"), ENOSPC);
    Trash::setCurrent(trash);

    const ApplicationUninstallEngine::Outcome outcome =
        ApplicationUninstallEngine::moveToTrash(foundItems({bundle, cache, prefs}), {sharedApps()});
    EXPECT_FALSE(outcome.bundleMoved);
    EXPECT_EQ(outcome.moved, 1);
    EXPECT_EQ(outcome.failed, 1);
    EXPECT_EQ(trash->attempted(), (QStringList{cache, prefs}));
    EXPECT_EQ(outcome.message, QStringLiteral("应用本体未移走；已处理 1 个关联项目，1 个失败"));
    const QStringList lines = loggedLines().filter(QStringLiteral("[ApplicationUninstall]"));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], QStringLiteral("[ApplicationUninstall] 移到废纸篓失败：") + prefs + QStringLiteral("，") +
                            ApplicationUninstallEngine::fullErrorDescription(QStringLiteral("磁盘已满"), ENOSPC));
    EXPECT_TRUE(lines[0].contains(QString::number(ENOSPC)));
    EXPECT_TRUE(QFile::exists(bundle));
}

TEST_F(ApplicationUninstallEngineTest, ResultMessagesForMovedBundles)
{
    const QString bundle = m_tree->folder(QStringLiteral("Applications/Y.app"));
    const QString a = m_tree->folder(QStringLiteral("Library/Caches/com.y"));
    const QString b = m_tree->folder(QStringLiteral("Library/Logs/com.y"));
    auto trash = std::make_shared<FailingTrash>();
    trash->failPath(b);
    Trash::setCurrent(trash);
    const ApplicationUninstallEngine::Outcome partial =
        ApplicationUninstallEngine::moveToTrash(foundItems({bundle, a, b}), {});
    EXPECT_TRUE(partial.bundleMoved);
    EXPECT_EQ(partial.message, QStringLiteral("应用已移到废纸篓，1 个关联项目失败"));
    EXPECT_FALSE(QFile::exists(bundle));

    const QString z = m_tree->folder(QStringLiteral("Applications/Z.app"));
    EXPECT_EQ(ApplicationUninstallEngine::moveToTrash(foundItems({z}), {}).message, QStringLiteral("已移到废纸篓"));
    EXPECT_EQ(ApplicationUninstallEngine::scanMessage(0), QStringLiteral("没有找到应用"));
    EXPECT_EQ(ApplicationUninstallEngine::scanMessage(2), QStringLiteral("找到 2 个应用"));
}

} // namespace
