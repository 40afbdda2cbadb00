#include "platform/Clock.h"
#include "platform/Notifications.h"
#include "scanners/LargeFileViewModel.h"
#include "scanners/MiscFileCleanupViewModel.h"
#include "support/HomeFixture.h"
#include "support/TrashFakes.h"
#include "support/TreeBuilder.h"
#include "trash/Trash.h"
#include "trash/TrashGateway.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

// About 10.7 KB: a 20,000-byte file reaches it, a 4,000-byte one does not.
constexpr double kTinyGigabytes = 0.00001;

class ScannerViewModels : public HomeFixture
{
protected:
    void SetUp() override
    {
        HomeFixture::SetUp();
        m_connection = QObject::connect(&Notifications::instance(), &Notifications::trashContentsDidChange,
                                        [this] { ++m_notified; });
    }
    void TearDown() override
    {
        QObject::disconnect(m_connection);
        HomeFixture::TearDown();
    }
    QMetaObject::Connection m_connection;
    int m_notified = 0;
};

QStringList paths(const QList<LargeFileItem>& items)
{
    QStringList p;
    for (const auto& i : items)
        p.append(i.path);
    return p;
}

} // namespace

TEST_F(ScannerViewModels, LargeFilesSelectionAndAFullClean)
{
    LargeFileViewModel model;
    EXPECT_EQ(model.message(), QStringLiteral("选择大小后扫描个人文件夹"));
    model.startScan(1.0); // without a home grant only the message changes
    EXPECT_EQ(model.state(), ScanState::Ready);
    EXPECT_EQ(model.message(), QStringLiteral("请先授权个人文件夹"));

    grantHome();
    const QString big = m_tree->file(QStringLiteral("big.mov"), 40000);
    const QString mid = m_tree->file(QStringLiteral("a/mid.mov"), 20000);
    m_tree->file(QStringLiteral("small.mov"), 4000);
    auto trash = std::make_shared<RecordingTrash>();
    Trash::setCurrent(trash);

    model.startScan(kTinyGigabytes);
    EXPECT_EQ(model.state(), ScanState::Scanning);
    model.startScan(kTinyGigabytes); // ignored while scanning
    ASSERT_TRUE(waitForState(model, ScanState::Scanned, 20000));
    EXPECT_EQ(paths(model.files()), (QStringList{big, mid}));
    EXPECT_EQ(model.message(), QStringLiteral("发现 2 个大文件"));
    EXPECT_EQ(model.selectedSize(), 0);

    model.clean(); // nothing ticked: no change
    EXPECT_EQ(model.state(), ScanState::Scanned);
    model.toggleSelection(QStringLiteral("/not/listed"));
    EXPECT_EQ(model.selectedSize(), 0);
    model.toggleSelection(mid);
    EXPECT_EQ(model.selectedSize(), model.files()[1].size);
    model.toggleAllSelection(); // not all ticked: ticks all
    EXPECT_EQ(model.selectedSize(), model.files()[0].size + model.files()[1].size);

    model.clean();
    EXPECT_EQ(model.message(), QStringLiteral("正在移到废纸篓…"));
    ASSERT_TRUE(waitForState(model, ScanState::Scanned, 20000));
    EXPECT_EQ(trash->requests(), (QStringList{big, mid}));
    EXPECT_TRUE(model.files().isEmpty());
    EXPECT_EQ(model.message(), QStringLiteral("已将 2 个文件移到废纸篓"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_notified == 1; }));
}

TEST_F(ScannerViewModels, LargeFilesThatFailedOrChangedStayTicked)
{
    grantHome();
    const QString refused = m_tree->file(QStringLiteral("refused.iso"), 40000);
    const QString changed = m_tree->file(QStringLiteral("changed.iso"), 30000);
    const QString moved = m_tree->file(QStringLiteral("moved.iso"), 20000);
    auto trash = std::make_shared<FailingTrash>(std::make_shared<RecordingTrash>());
    trash->failPath(refused);
    Trash::setCurrent(trash);

    LargeFileViewModel model;
    model.startScan(kTinyGigabytes);
    ASSERT_TRUE(waitForState(model, ScanState::Scanned, 20000));
    ASSERT_EQ(model.files().size(), 3);
    model.toggleAllSelection();
    QFile f(changed);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("short");
    f.close();

    model.clean();
    ASSERT_TRUE(waitForState(model, ScanState::Scanned, 20000));
    EXPECT_EQ(trash->attempted(), (QStringList{refused, moved})); // the changed file is never offered
    EXPECT_EQ(paths(model.files()), (QStringList{refused, changed}));
    EXPECT_TRUE(model.files()[0].selected && model.files()[1].selected);
    EXPECT_EQ(model.message(), QStringLiteral("已移动 1 个文件，部分文件处理失败"));
    const QStringList log = loggedLines();
    EXPECT_TRUE(log.contains(QStringLiteral("[LargeFile] 移到废纸篓失败：") + refused + QStringLiteral("，") +
                             FailingTrash::kDefaultError));
    EXPECT_TRUE(log.contains(QStringLiteral("[LargeFile] 移到废纸篓失败：") + changed + QStringLiteral("，") +
                             TrashGateway::kResized));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_notified == 1; }));
}

TEST_F(ScannerViewModels, ACleanThatMovesNothingDoesNotNotify)
{
    grantHome();
    const QString only = m_tree->file(QStringLiteral("only.log"), 100);
    if (!TreeBuilder::birthTimeRecorded(only))
        GTEST_SKIP() << "this file system records no birth times";
    auto trash = std::make_shared<FailingTrash>(std::make_shared<RecordingTrash>());
    trash->failEverything();
    Trash::setCurrent(trash);

    MiscFileCleanupViewModel model(MiscFileCategory::Miscellaneous);
    model.startScan();
    ASSERT_TRUE(waitForState(model, ScanState::Scanned, 20000));
    model.toggleAllSelection();
    model.clean();
    ASSERT_TRUE(waitForState(model, ScanState::Scanned, 20000));
    EXPECT_EQ(model.files().size(), 1);
    EXPECT_EQ(model.message(), QStringLiteral("已移动 0 个文件，部分文件处理失败"));
    EXPECT_TRUE(loggedLines().contains(QStringLiteral("[MiscFileCleanup] 移到废纸篓失败：") + only +
                                       QStringLiteral("，") + FailingTrash::kDefaultError));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_notified, 0);
}

TEST_F(ScannerViewModels, ArchiveAgeCountsFromTheClockWhenTheScanStarts)
{
    MiscFileCleanupViewModel model(MiscFileCategory::Archives);
    EXPECT_EQ(model.message(), QStringLiteral("扫描一个月以前的压缩包"));
    model.startScan(); // without a home grant only the message changes
    EXPECT_EQ(model.state(), ScanState::Ready);
    EXPECT_EQ(model.message(), QStringLiteral("请先授权个人文件夹"));

    grantHome();
    const QString zip = m_tree->file(QStringLiteral("old.zip"), 5000);
    if (!TreeBuilder::birthTimeRecorded(zip))
        GTEST_SKIP() << "this file system records no birth times";
    m_tree->file(QStringLiteral("debug.log"), 100);
    model.startScan(); // the archive is brand new
    EXPECT_EQ(model.message(), QStringLiteral("正在扫描压缩包…"));
    ASSERT_TRUE(waitForState(model, ScanState::Scanned, 20000));
    EXPECT_TRUE(model.files().isEmpty());
    EXPECT_EQ(model.message(), QStringLiteral("没有发现一个月以前的压缩包"));

    Clock::setFixed(QDateTime::currentDateTime().addMonths(1).addDays(1));
    model.startScan();
    ASSERT_TRUE(waitForState(model, ScanState::Scanned, 20000));
    ASSERT_EQ(model.files().size(), 1);
    EXPECT_EQ(model.files()[0].path, zip);
    EXPECT_FALSE(model.files()[0].selected);
    EXPECT_EQ(model.message(), QStringLiteral("发现 1 个压缩包"));
    EXPECT_EQ(model.totalSize(), model.files()[0].size);
    EXPECT_EQ(model.selectedSize(), 0);
}

TEST_F(ScannerViewModels, AFolderSwappedForALinkWhileThePageIsOpenMovesNothing)
{
    grantHome();
    m_tree->file(QStringLiteral("dir/thesis.pdf"), 20000);
    QTemporaryDir outsideDir;
    TreeBuilder outside(outsideDir.path());
    const QString elsewhere = outside.file(QStringLiteral("dir/thesis.pdf"), 20000);
    LargeFileViewModel model;
    model.startScan(kTinyGigabytes);
    ASSERT_TRUE(waitForState(model, ScanState::Scanned, 20000));
    ASSERT_EQ(model.files().size(), 1);
    model.toggleAllSelection();
    // While the user looks at the list, the folder becomes a link to one outside the home.
    ASSERT_TRUE(QDir().rename(m_tree->path(QStringLiteral("dir")), m_tree->path(QStringLiteral("was"))));
    m_tree->symlink(QStringLiteral("dir"), outside.path(QStringLiteral("dir")));

    model.clean();
    ASSERT_TRUE(waitForState(model, ScanState::Scanned, 20000));
    EXPECT_TRUE(QFileInfo::exists(elsewhere));
    EXPECT_TRUE(QFileInfo::exists(m_tree->path(QStringLiteral("was/thesis.pdf"))));
    EXPECT_EQ(model.files().size(), 1) << "the refused file stays listed";
    EXPECT_TRUE(loggedLines().contains(QStringLiteral("[LargeFile] 移到废纸篓失败：") +
                                       m_tree->path(QStringLiteral("dir/thesis.pdf")) + QStringLiteral("，") +
                                       TrashGateway::kLinkOnTheWay));
}
