#include "scanners/QuickCleanupViewModel.h"
#include "apps/ApplicationCleanupViewModel.h"
#include "rules/CleanupViewModel.h"
#include "scanners/EmptyFolderCleanupViewModel.h"
#include "scanners/MiscFileCleanupViewModel.h"
#include "support/HomeFixture.h"
#include "support/TrashFakes.h"
#include "trash/Trash.h"

#include <gtest/gtest.h>

#include <QTest>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

using Status = QuickCleanupCard::Status;

class QuickCleanup : public HomeFixture
{
protected:
    void SetUp() override
    {
        HomeFixture::SetUp();
        m_tree->file(QStringLiteral("Downloads/old.zip"), 4000);
        m_tree->file(QStringLiteral("Downloads/older.tar"), 8000);
        m_tree->folder(QStringLiteral("Documents/empty"));
        m_tree->folder(QStringLiteral("Pictures/also-empty"));
    }
    bool waitUntilIdle()
    {
        return QTest::qWaitFor([&] { return !quick.isAnyScanRunning(); }, 20000);
    }
    QList<Status> statuses() const
    {
        QList<Status> s;
        for (const QuickCleanupCard& card : quick.cards())
            s.append(card.status);
        return s;
    }

    CleanupViewModel task;
    ApplicationCleanupViewModel application;
    MiscFileCleanupViewModel misc{MiscFileCategory::Miscellaneous};
    MiscFileCleanupViewModel archive{MiscFileCategory::Archives};
    MiscFileCleanupViewModel installer{MiscFileCategory::Installers};
    EmptyFolderCleanupViewModel emptyFolder;
    QuickCleanupViewModel quick{{&task, &application, &misc, &archive, &installer, &emptyFolder}};
};

} // namespace

TEST_F(QuickCleanup, TheCardsBeforeAnythingAndAfterRefusedHomeAccess)
{
    const QList<QuickCleanupCard> cards = quick.cards();
    ASSERT_EQ(cards.size(), QuickCleanupViewModel::kScanCount);
    QStringList titles;
    for (const QuickCleanupCard& c : cards) {
        titles.append(c.title);
        EXPECT_EQ(c.statusText(), QStringLiteral("未扫描"));
    }
    EXPECT_EQ(titles, (QStringList{QStringLiteral("常规清理"), QStringLiteral("应用清理"), QStringLiteral("闲杂文件"),
                                   QStringLiteral("压缩包清理"), QStringLiteral("安装包清理"),
                                   QStringLiteral("空文件夹清理")}));
    EXPECT_FALSE(quick.hasActivity());
    EXPECT_EQ(quick.startButtonText(), QStringLiteral("开始扫描"));

    m_picker->cancelNext();
    quick.startQuickScan();
    EXPECT_EQ(m_picker->requests().size(), 1);
    EXPECT_EQ(statuses(), QList<Status>(6, Status::NotScanned));
    EXPECT_FALSE(quick.hasStarted());
    EXPECT_FALSE(quick.hasActivity());
}

TEST_F(QuickCleanup, ASecondPressWhileTheFolderPanelIsOpenAsksNoMore)
{
    // A panel the user has not answered yet.
    struct HeldPicker : FolderPicker
    {
        void pickFolder(const FolderPickerRequest&, Completion completion) override { pending.append(completion); }
        QList<Completion> pending;
    };
    auto picker = std::make_shared<HeldPicker>();
    FolderPicker::setCurrent(picker);
    quick.startQuickScan();
    quick.startQuickScan();
    ASSERT_EQ(picker->pending.size(), 1);
    picker->pending.first()(ScriptedFolderPicker::withRights(home()));
    EXPECT_EQ(statuses(), QList<Status>(6, Status::Scanning));
    EXPECT_TRUE(waitUntilIdle());
}

TEST_F(QuickCleanup, SixScansStartTogetherAndEachCardFollowsItsModel)
{
    grantHome();
    int changed = 0;
    QObject::connect(&quick, &QuickCleanupViewModel::changed, [&] { ++changed; });
    quick.startQuickScan();
    // All six started before any handed back: none waits for another.
    EXPECT_EQ(statuses(), QList<Status>(6, Status::Scanning));
    EXPECT_TRUE(quick.hasStarted());
    EXPECT_TRUE(quick.hasActivity());
    EXPECT_EQ(quick.startButtonText(), QStringLiteral("正在扫描 0/6"));
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(statuses(), QList<Status>(6, Status::Done));
    EXPECT_EQ(quick.completedScanCount(), 6);
    EXPECT_EQ(quick.startButtonText(), QStringLiteral("开始扫描"));
    EXPECT_GT(changed, 6);

    const QList<QuickCleanupCard> cards = quick.cards();
    EXPECT_EQ(cards[3].count, archive.files().size());
    EXPECT_EQ(cards[3].size, archive.totalSize());
    EXPECT_EQ(cards[5].count, 2);
    EXPECT_FALSE(cards[5].showsSize); // empty folders never show a size
    EXPECT_EQ(cards[5].figureText(), QStringLiteral("2 个文件夹"));
    EXPECT_EQ(cards[5].countText(), QStringLiteral("2 项结果"));
    EXPECT_EQ(cards[0].count, 0); // found nothing: done with a count of 0
    EXPECT_EQ(cards[0].statusText(), QStringLiteral("已完成"));
}

TEST_F(QuickCleanup, TheLabelCountsFinishedScansAndABusyModelBlocksTheButton)
{
    grantHome();
    for (MiscFileCleanupViewModel* m : {&misc, &archive, &installer})
        m->startScan();
    ASSERT_TRUE(waitUntilIdle());
    // Three finished, three started on their own pages and not yet handed back.
    task.startScan();
    application.startScan();
    emptyFolder.startScan();
    EXPECT_EQ(quick.completedScanCount(), 3);
    EXPECT_EQ(quick.startButtonText(), QStringLiteral("正在扫描 3/6"));
    const qsizetype asked = m_picker->requests().size();
    quick.startQuickScan(); // ignored: the finished three are not scanned again
    EXPECT_EQ(misc.state(), ScanState::Scanned);
    EXPECT_EQ(m_picker->requests().size(), asked);
    ASSERT_TRUE(waitUntilIdle());

    // Once idle, a quick scan scans an already scanned model again.
    quick.startQuickScan();
    EXPECT_EQ(misc.state(), ScanState::Scanning);
    EXPECT_EQ(quick.cards()[2].statusText(), QStringLiteral("扫描中"));
    ASSERT_TRUE(waitUntilIdle());
}

TEST_F(QuickCleanup, ACleanOnTheSectionChangesItsCard)
{
    grantHome();
    auto trash = std::make_shared<RecordingTrash>();
    Trash::setCurrent(trash);
    quick.startQuickScan();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(emptyFolder.folders().size(), 2);
    emptyFolder.toggleSelection(emptyFolder.folders().first().path);
    emptyFolder.clean();
    EXPECT_EQ(quick.cards()[5].statusText(), QStringLiteral("清理中"));
    EXPECT_FALSE(quick.isAnyScanRunning()); // cleaning is not scanning
    ASSERT_TRUE(waitForState(emptyFolder, EmptyFolderCleanupViewModel::State::Scanned));
    EXPECT_EQ(quick.cards()[5].count, 1);
    EXPECT_EQ(quick.cards()[5].statusText(), QStringLiteral("已完成"));
}
