#include "apps/ApplicationCleanupViewModel.h"
#include "platform/Notifications.h"
#include "support/ApplicationFixture.h"
#include "support/TestHttpServer.h"
#include "support/TrashFakes.h"
#include "trash/Trash.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

class ApplicationCleanupViewModelTest : public ApplicationFixture
{
protected:
    void SetUp() override
    {
        ApplicationFixture::SetUp();
        QObject::connect(&Notifications::instance(), &Notifications::trashContentsDidChange, &m_receiver,
                         [this] { ++m_trashNotifications; });
    }
    void makeApp(const QString& id, const QString& name)
    {
        BundlePlist plist = BundleBuilder::xml(id);
        plist.displayName = name;
        BundleBuilder::make(homeApps() + QLatin1Char('/') + name + QStringLiteral(".app"), plist);
    }

    QObject m_receiver;
    int m_trashNotifications = 0;
};

TEST_F(ApplicationCleanupViewModelTest, WithoutAGrantOnlyTheMessageChangesAndNoApplicationsScanEmpty)
{
    ApplicationCleanupViewModel model;
    EXPECT_EQ(model.message(), QStringLiteral("准备扫描应用缓存"));
    model.startScan();
    EXPECT_EQ(model.state(), ApplicationCleanupState::Ready);
    EXPECT_EQ(model.message(), QStringLiteral("请先授权个人文件夹"));
    EXPECT_TRUE(m_picker->requests().isEmpty());

    // With the grant but no applications, the scan ends complete and empty.
    grantHome();
    model.startScan();
    EXPECT_EQ(model.state(), ApplicationCleanupState::Scanning);
    EXPECT_EQ(model.message(), QStringLiteral("正在扫描所有应用缓存…"));
    ASSERT_TRUE(waitForState(model, ApplicationCleanupState::Scanned));
    EXPECT_EQ(model.progress(), 1.0);
    EXPECT_EQ(model.scanningApp(), QStringLiteral("扫描完成"));
    EXPECT_EQ(model.message(), QStringLiteral("没有发现可清理的应用垃圾"));
    EXPECT_TRUE(model.results().isEmpty());
}

TEST_F(ApplicationCleanupViewModelTest, CleanRemovesFullyMovedResultsAndKeepsOneWithAFailure)
{
    grantHome();
    makeApp(QStringLiteral("com.keep"), QStringLiteral("Keep"));
    makeApp(QStringLiteral("com.go"), QStringLiteral("Go"));
    makeApp(QStringLiteral("com.idle"), QStringLiteral("Idle"));
    const QString stuck = m_tree->file(QStringLiteral("Library/Caches/com.keep/stuck"), 50);
    const QString movable = m_tree->file(QStringLiteral("Library/Caches/com.keep/movable"), 50);
    const QString gone = m_tree->file(QStringLiteral("Library/Logs/com.go/log"), 20);
    m_tree->file(QStringLiteral("Library/Logs/com.idle/log"), 5);
    auto trash = std::make_shared<FailingTrash>();
    trash->failPath(stuck);
    Trash::setCurrent(trash);

    ApplicationCleanupViewModel model;
    // Every application's name reaches the card, in order: none is dropped by a throttle.
    QStringList shown;
    QObject::connect(&model, &ApplicationCleanupViewModel::scanningAppChanged,
                     [&] { shown.append(model.scanningApp()); });
    model.startScan();
    model.startScan(); // ignored while a scan runs
    ASSERT_TRUE(waitForState(model, ApplicationCleanupState::Scanned));
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Go"), QStringLiteral("Idle"), QStringLiteral("Keep"),
                                  QStringLiteral("扫描完成")}));
    ASSERT_EQ(model.results().size(), 3);
    EXPECT_EQ(model.message(), QStringLiteral("发现 3 个应用的缓存垃圾"));
    EXPECT_EQ(model.totalSize(), 125);
    EXPECT_EQ(model.selectedSize(), 0);

    model.clean(); // nothing selected: nothing happens
    EXPECT_EQ(model.state(), ApplicationCleanupState::Scanned);
    model.toggleSelection(QStringLiteral("com.keep"));
    model.toggleSelection(QStringLiteral("com.go"));
    model.toggleSelection(QStringLiteral("no.such.id"));
    EXPECT_EQ(model.selectedSize(), 120);
    model.clean();
    EXPECT_EQ(model.state(), ApplicationCleanupState::Cleaning);
    EXPECT_EQ(model.message(), QStringLiteral("正在将应用缓存移到废纸篓…"));
    ASSERT_TRUE(waitForState(model, ApplicationCleanupState::Scanned));

    ASSERT_EQ(model.results().size(), 2);
    EXPECT_EQ(model.results()[0].id, QStringLiteral("com.keep"));
    EXPECT_EQ(model.results()[0].size, 100);
    EXPECT_TRUE(model.results()[0].selected);
    EXPECT_EQ(model.results()[1].id, QStringLiteral("com.idle"));
    EXPECT_EQ(model.message(), QStringLiteral("部分应用缓存未能移到废纸篓，请重试"));
    EXPECT_EQ(m_trashNotifications, 1);
    EXPECT_TRUE(QFile::exists(stuck));
    EXPECT_FALSE(QFile::exists(movable));
    EXPECT_FALSE(QFile::exists(gone));

    // Long press semantics: some selected → all; all → none.
    model.toggleAllSelection();
    EXPECT_EQ(model.selectedSize(), model.totalSize());
    model.toggleAllSelection();
    EXPECT_EQ(model.selectedSize(), 0);

    // A new scan replaces the list and forgets the ticks.
    model.toggleAllSelection();
    model.startScan();
    ASSERT_TRUE(waitForState(model, ApplicationCleanupState::Scanned));
    ASSERT_EQ(model.results().size(), 2);
    EXPECT_EQ(model.selectedSize(), 0);
}

} // namespace
