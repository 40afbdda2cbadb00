#include "rules/CleanupViewModel.h"
#include "access/AccessManager.h"
#include "platform/Bookmark.h"
#include "platform/Jobs.h"
#include "platform/Notifications.h"
#include "platform/Settings.h"
#include "support/HomeFixture.h"
#include "support/TrashFakes.h"
#include "support/TreeBuilder.h"
#include "trash/Trash.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

class CleanupViewModelTest : public HomeFixture
{
protected:
    void SetUp() override
    {
        HomeFixture::SetUp();
        const QString rules = m_rules.path() + QStringLiteral("/Rules");
        m_store = RuleStore({m_rules.path() + QStringLiteral("/none")}, rules);
        m_store.saveRule(
            {true, QStringLiteral("Small"), {QStringLiteral("USERFOLDER/small")}, 0, QStringLiteral("a"), {}});
        m_store.saveRule({true, QStringLiteral("Big"), {QStringLiteral("USERFOLDER/big")}, 0, QStringLiteral("b"), {}});
        m_tree->file(QStringLiteral("small/f"), 10);
        m_bigFile = m_tree->file(QStringLiteral("big/f"), 500);
        m_tree->file(QStringLiteral("big/g"), 500);
    }

    QTemporaryDir m_rules;
    RuleStore m_store{QStringList{}, QString()};
    QString m_bigFile;
};

TEST_F(CleanupViewModelTest, ScanNeedsTheGrantPublishesSortedUnselectedResultsAndCleanMovesTheTicked)
{
    CleanupViewModel model(m_store);
    EXPECT_EQ(model.message(), QStringLiteral("准备扫描"));
    model.startScan(); // without a home grant only the message changes
    EXPECT_EQ(model.state(), ScanState::Ready);
    EXPECT_EQ(model.message(), QStringLiteral("请先授权个人文件夹"));
    EXPECT_TRUE(model.results().isEmpty());

    grantHome();
    model.startScan();
    EXPECT_EQ(model.state(), ScanState::Scanning);
    model.startScan(); // ignored while scanning
    ASSERT_TRUE(waitForState(model, ScanState::Scanned));
    ASSERT_EQ(model.results().size(), 2);
    EXPECT_EQ(model.results()[0].rule.name, QStringLiteral("Big"));
    EXPECT_EQ(model.message(), QStringLiteral("发现 2 项可清理内容"));
    EXPECT_EQ(model.scanProgress(), 1.0);
    EXPECT_EQ(model.scanningRuleName(), QStringLiteral("扫描完成"));
    EXPECT_EQ(model.totalSize(), 1010);
    EXPECT_EQ(model.selectedSize(), 0);

    // Nothing ticked: clean does nothing at all.
    model.clean();
    EXPECT_EQ(model.state(), ScanState::Scanned);

    model.toggleSelection(QStringLiteral("bBig"));
    EXPECT_EQ(model.selectedSize(), 1000);

    auto trash = std::make_shared<RecordingTrash>();
    Trash::setCurrent(trash);
    int notified = 0;
    QObject::connect(&Notifications::instance(), &Notifications::trashContentsDidChange, [&] { ++notified; });
    model.clean();
    EXPECT_EQ(model.state(), ScanState::Cleaning);
    ASSERT_TRUE(waitForState(model, ScanState::Scanned));
    Trash::setCurrent(nullptr);
    EXPECT_EQ(trash->requests().size(), 2);
    EXPECT_EQ(model.results().size(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return notified == 1; }));
}

TEST_F(CleanupViewModelTest, APartlyFailedCleanKeepsTheResultAndStillNotifies)
{
    grantHome();
    CleanupViewModel model(m_store);
    model.startScan();
    ASSERT_TRUE(waitForState(model, ScanState::Scanned));
    model.toggleAllSelection();
    auto trash = std::make_shared<FailingTrash>(std::make_shared<RecordingTrash>());
    trash->failPath(m_bigFile);
    Trash::setCurrent(trash);
    int notified = 0;
    QObject::connect(&Notifications::instance(), &Notifications::trashContentsDidChange, [&] { ++notified; });
    model.clean();
    ASSERT_TRUE(waitForState(model, ScanState::Scanned));
    Trash::setCurrent(nullptr);
    ASSERT_EQ(model.results().size(), 1);
    EXPECT_EQ(model.results()[0].rule.name, QStringLiteral("Big"));
    EXPECT_EQ(model.results()[0].files.size(), 2); // unchanged, failed file included
    EXPECT_EQ(model.message(), QStringLiteral("部分文件未能移到废纸篓，请重试"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return notified == 1; }));
    EXPECT_TRUE(
        loggedLines().join(QLatin1Char('\n')).contains(QStringLiteral("[TaskClean] 移到废纸篓失败：") + m_bigFile));
}

TEST_F(CleanupViewModelTest, AModelDestroyedMidScanPublishesNothing)
{
    grantHome();
    auto* model = new CleanupViewModel(m_store);
    model->startScan();
    // The job is out when the model goes (the sanitizer build catches a touch of the dead model).
    ASSERT_EQ(model->state(), ScanState::Scanning);
    delete model;
    jobPool().waitForDone();
    QCoreApplication::processEvents();
}

TEST_F(CleanupViewModelTest, EveryRulesNameReachesTheModelInOrder)
{
    // Forty rules that each take well under the 40 ms a throttled progress would wait for.
    QStringList names;
    for (int i = 0; i < 40; ++i) {
        names.append(QStringLiteral("Rule %1").arg(i, 2, 10, QLatin1Char('0')));
        m_store.saveRule(
            {true, names.last(), {QStringLiteral("USERFOLDER/r%1").arg(i)}, 0, QStringLiteral("r%1").arg(i), {}});
    }
    grantHome();
    CleanupViewModel model(m_store);
    QStringList shown;
    QObject::connect(&model, &CleanupViewModel::scanningRuleNameChanged,
                     [&] { shown.append(model.scanningRuleName()); });
    model.startScan();
    ASSERT_TRUE(waitForState(model, ScanState::Scanned));
    shown.removeAll(QStringLiteral("Small"));
    shown.removeAll(QStringLiteral("Big"));
    names.append(QStringLiteral("扫描完成"));
    EXPECT_EQ(shown, names);
}

TEST_F(CleanupViewModelTest, APerPathGrantOutsideTheHomeIsReadAndCleanedThroughItsOwnRights)
{
    const QString elsewhere = makeFolder(QStringLiteral("elsewhere/Caches"));
    TreeBuilder(elsewhere).file(QStringLiteral("blob"), 300);
    const QString rulePath = QStringLiteral("PUBLIC_DATA/com.x/Caches");
    Settings::store().setValue(AccessManager::legacyBookmarkKey(rulePath),
                               Bookmark::create(ScriptedFolderPicker::withRights(elsewhere)).value());
    const RuleStore store({m_rules.path() + QStringLiteral("/none")}, m_rules.path() + QStringLiteral("/legacy"));
    store.saveRule({true, QStringLiteral("Legacy"), {rulePath}, 0, QStringLiteral("l"), {}});
    grantHome();
    auto trash = std::make_shared<RecordingTrash>();
    Trash::setCurrent(trash);

    CleanupViewModel model(store);
    model.startScan();
    ASSERT_TRUE(waitForState(model, ScanState::Scanned));
    ASSERT_EQ(model.results().size(), 1);
    EXPECT_EQ(model.totalSize(), 300);
    model.toggleAllSelection();
    model.clean();
    ASSERT_TRUE(waitForState(model, ScanState::Scanned));
    EXPECT_EQ(trash->requests(), QStringList{elsewhere + QStringLiteral("/blob")});
}

} // namespace
