// The application pages' view models: the cache clean and the uninstall, with their grants.
#include "core/apps/ApplicationCleanupViewModel.h"
#include "core/apps/ApplicationUninstallModel.h"
#include "core/trash/Trash.h"
#include "support/ApplicationFixture.h"
#include "support/TrashFakes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

using ApplicationCleanupViewModelTest = ApplicationFixture;

TEST_F(ApplicationCleanupViewModelTest,
       WithoutAGrantOnlyTheMessageChangesAndCleanRemovesFullyMovedResultsKeepingOneWithAFailure)
{
    ApplicationCleanupViewModel model;
    model.startScan();
    EXPECT_EQ(model.state(), ScanState::ready);
    EXPECT_TRUE(m_picker->requests().isEmpty());

    // With the grant but no applications, the scan ends complete and empty.
    grantHome();
    model.startScan();
    EXPECT_EQ(model.state(), ScanState::scanning);
    ASSERT_TRUE(waitForState(model, ScanState::scanned));
    EXPECT_EQ(model.progress(), 1.0);
    EXPECT_TRUE(model.results().isEmpty());

    // A clean removes fully moved results and keeps one with a failure.
    for (const QString& name : {u"Keep"_s, u"Go"_s, u"Idle"_s})
        BundleBuilder::make(homeApps() + u'/' + name + u".app"_s, {u"com."_s + name.toLower(), name});
    const QString stuck = m_tree->file(u"Library/Caches/com.keep/stuck"_s, 50);
    m_tree->file(u"Library/Caches/com.keep/movable"_s, 50);
    m_tree->file(u"Library/Logs/com.go/log"_s, 20);
    m_tree->file(u"Library/Logs/com.idle/log"_s, 5);
    auto trash = std::make_shared<FailingTrash>();
    trash->failPath(stuck);
    Trash::setCurrent(trash);

    // Every application's name reaches the card, in order: none is dropped by a throttle.
    QStringList shown;
    QObject::connect(&model, &ApplicationCleanupViewModel::scanningAppChanged,
                     [&] { shown.append(model.scanningApp()); });
    model.startScan();
    model.startScan(); // ignored while a scan runs
    ASSERT_TRUE(waitForState(model, ScanState::scanned));
    EXPECT_EQ(shown, (QStringList{u"Go"_s, u"Idle"_s, u"Keep"_s, u"扫描完成"_s}));
    ASSERT_EQ(model.results().size(), 3);
    EXPECT_EQ(model.totalSize(), 125);
    EXPECT_EQ(model.selectedSize(), 0);

    model.clean(); // nothing selected: nothing happens
    EXPECT_EQ(model.state(), ScanState::scanned);
    model.toggleSelection(u"com.keep"_s);
    model.toggleSelection(u"com.go"_s);
    model.toggleSelection(u"no.such.id"_s);
    EXPECT_EQ(model.selectedSize(), 120);
    model.clean();
    EXPECT_EQ(model.state(), ScanState::cleaning);
    ASSERT_TRUE(waitForState(model, ScanState::scanned));

    ASSERT_EQ(model.results().size(), 2);
    EXPECT_EQ(model.results()[0].id, u"com.keep"_s);
    EXPECT_EQ(model.results()[0].size, 100);
    EXPECT_TRUE(model.results()[0].selected);
    EXPECT_EQ(model.results()[1].id, u"com.idle"_s);
    EXPECT_TRUE(trashNoticesReach(1));

    // Long press semantics: some selected → all; all → none.
    model.toggleAllSelection();
    EXPECT_EQ(model.selectedSize(), model.totalSize());
    model.toggleAllSelection();
    EXPECT_EQ(model.selectedSize(), 0);

    // A new scan replaces the list and forgets the ticks.
    model.toggleAllSelection();
    model.startScan();
    ASSERT_TRUE(waitForState(model, ScanState::scanned));
    ASSERT_EQ(model.results().size(), 2);
    EXPECT_EQ(model.selectedSize(), 0);
}

class ApplicationUninstallModelTest : public ApplicationFixture
{
protected:
    void SetUp() override
    {
        ApplicationFixture::SetUp();
        // Every message shown, the passing ones too (a spy would keep only that one changed).
        QObject::connect(&m_model, &ApplicationUninstallModel::messageChanged, &m_receiver,
                         [this] { m_messages.append(m_model.message()); });
    }
    bool scanAndWait()
    {
        m_model.scan();
        return waitUntil([&] { return !m_model.isScanning(); });
    }
    bool waitForUninstall()
    {
        return waitUntil([&] { return !m_model.isUninstalling() && !m_model.isScanning(); });
    }
    const UninstallApplication* find(const QString& name) const
    {
        for (const UninstallApplication& a : m_model.applications())
            if (a.name == name)
                return &a;
        return nullptr;
    }

    QObject m_receiver;
    ApplicationUninstallModel m_model;
    QStringList m_messages;
};

TEST_F(ApplicationUninstallModelTest, ADeclinedParentFolderFailsTheBundleButStillMovesRelatedItems)
{
    grantHome();
    const QString bundle =
        BundleBuilder::make(sharedApps() + u"/Shared.app"_s, {u"com.shared"_s, u"Shared"_s, {}, true, 10});
    const QString cache = m_tree->file(u"Library/Caches/com.shared/c"_s, 30);
    const QString prefs = m_tree->file(u"Library/Preferences/com.shared.plist"_s, 3);
    ASSERT_TRUE(scanAndWait());
    const UninstallApplication* app = find(u"Shared"_s);
    ASSERT_NE(app, nullptr);

    m_picker->answerWith(home()); // a different folder than the one asked for
    m_model.uninstall(*app);
    ASSERT_TRUE(waitForUninstall());

    ASSERT_EQ(m_picker->requests().size(), 2); // the home grant, then the folder of the bundle
    EXPECT_EQ(m_picker->requests()[1].directory, sharedApps());
    EXPECT_TRUE(m_messages.contains(u"请授权访问 "_s + sharedApps() + u" 后继续卸载"_s));

    EXPECT_EQ(m_model.manualRemovalPath(), bundle);
    EXPECT_TRUE(QDir(bundle).exists());
    EXPECT_FALSE(QFile::exists(cache));
    EXPECT_FALSE(QFile::exists(prefs));
    EXPECT_TRUE(trashNoticesReach(1));
    // No attempt on the bundle, so nothing is logged for it.
    EXPECT_TRUE(loggedLines().filter(u"[ApplicationUninstall]"_s).isEmpty());
    // The rescan still lists the bundle, now without related items.
    ASSERT_NE(find(u"Shared"_s), nullptr);
    EXPECT_TRUE(find(u"Shared"_s)->related.isEmpty());

    m_model.clearManualRemoval();
    EXPECT_TRUE(m_model.manualRemovalPath().isEmpty());
}

TEST_F(ApplicationUninstallModelTest,
       AfterARefusedGrantAHomeApplicationMovesWithoutQuestionsAndGrantingTheAskedFolderLetsABundleMove)
{
    m_picker->cancelNext();
    m_model.scan(u"ignored"_s);
    EXPECT_FALSE(m_model.isScanning());

    grantHome();
    const QString bundle = BundleBuilder::make(homeApps() + u"/Solo.app"_s, BundleBuilder::xml(u"com.solo"_s));
    ASSERT_TRUE(scanAndWait());
    ASSERT_EQ(m_model.applications().size(), 1);
    m_model.uninstall(m_model.applications()[0]);
    EXPECT_TRUE(m_model.isUninstalling());
    ASSERT_TRUE(waitForUninstall());
    EXPECT_EQ(m_picker->requests().size(), 2); // the refused home grant and the given one, nothing more
    EXPECT_FALSE(QDir(bundle).exists());
    EXPECT_TRUE(m_model.applications().isEmpty());
    EXPECT_TRUE(trashNoticesReach(1));

    // Granting the folder asked for lets a bundle there move.
    const QString tool = BundleBuilder::make(sharedApps() + u"/Utilities/T.app"_s, BundleBuilder::xml(u"com.t"_s));
    const QString other = BundleBuilder::make(sharedApps() + u"/Utilities/U.app"_s, BundleBuilder::xml(u"com.u"_s));
    ASSERT_TRUE(scanAndWait());
    m_picker->answerWith(sharedApps() + u"/Utilities"_s);
    m_model.uninstall(*find(u"T"_s));
    ASSERT_TRUE(waitForUninstall());
    EXPECT_EQ(m_picker->requests().size(), 3); // then the folder of the bundle
    EXPECT_FALSE(QDir(tool).exists());
    EXPECT_TRUE(QDir(other).exists());
    EXPECT_TRUE(m_model.manualRemovalPath().isEmpty());
}

} // namespace
