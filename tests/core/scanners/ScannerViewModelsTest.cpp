// The scanners' view models over a private home: what each shows before the grant, while it works
// and after, what a clean moves and reports, and when the Trash notices go out.
#include "core/apps/ApplicationCleanupViewModel.h"
#include "core/platform/Clock.h"
#include "core/platform/Jobs.h"
#include "core/platform/Notifications.h"
#include "core/platform/PlatformLayout.h"
#include "core/quick/QuickCleanupViewModel.h"
#include "core/rules/CleanupViewModel.h"
#include "core/scanners/AboutInfo.h"
#include "core/scanners/EmptyFolderCleanupViewModel.h"
#include "core/scanners/FileSearchViewModel.h"
#include "core/scanners/LargeFileViewModel.h"
#include "core/scanners/MiscFileCleanupViewModel.h"
#include "core/scanners/StorageAnalysisModel.h"
#include "core/scanners/TrashSummaryViewModel.h"
#include "core/trash/Trash.h"
#include "core/trash/TrashGateway.h"
#include "core/util/ByteCount.h"
#include "support/HomeFixture.h"
#include "support/TrashFakes.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QSignalSpy>

#include <atomic>
#include <cerrno>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

// About 10.7 KB: a 20,000-byte file reaches it, a 4,000-byte one does not.
constexpr double kTinyGigabytes = 0.00001;

using ScannerViewModels = HomeFixture;
using Status = QuickCleanupCard::Status;

// The items' file names, in the order listed.
template <class Items> QStringList names(const Items& items)
{
    QStringList n;
    for (const auto& i : items)
        n.append(QFileInfo(i.path).fileName());
    return n;
}

QString refusal(const char* section, const QString& path, const QString& error)
{
    return QString::fromLatin1(section) + u" 移到废纸篓失败："_s + path + u"，"_s + error;
}

TEST_F(ScannerViewModels, LargeFilesThresholdSelectionAndACleanThatKeepsWhatFailedOrChangedTicked)
{
    LargeFileViewModel model;
    model.startScan(1.0); // without a home grant only the message changes
    EXPECT_EQ(model.state(), ScanState::ready);
    EXPECT_EQ(model.message(), u"请先授权个人文件夹"_s);

    grantHome();
    const QString big = m_tree->file(u"big.mov"_s, 40000);
    const QString mid = m_tree->file(u"a/mid.mov"_s, 20000);
    const QString small = m_tree->file(u"small.mov"_s, 4000);
    auto trash = std::make_shared<FailingTrash>(std::make_shared<RecordingTrash>());
    trash->failPath(small);
    Trash::setCurrent(trash);

    model.startScan(kTinyGigabytes);
    EXPECT_EQ(model.state(), ScanState::scanning);
    model.startScan(kTinyGigabytes); // ignored while scanning
    ASSERT_TRUE(waitForState(model, ScanState::scanned, 20000));
    EXPECT_EQ(names(model.files()), (QStringList{u"big.mov"_s, u"mid.mov"_s}));
    EXPECT_EQ(model.selectedSize(), 0);
    model.clean(); // nothing ticked: no change
    EXPECT_EQ(model.state(), ScanState::scanned);
    model.toggleSelection(u"/not/listed"_s);
    EXPECT_EQ(model.selectedSize(), 0);
    model.toggleSelection(big);

    model.applyThreshold(0.00003); // about 32 KB: filtered at once, the tick kept
    EXPECT_EQ(model.state(), ScanState::scanned);
    EXPECT_EQ(names(model.files()), QStringList{u"big.mov"_s});
    EXPECT_EQ(model.selectedSize(), model.files()[0].size);
    EXPECT_EQ(model.message(), u"发现 1 个大文件"_s);
    model.applyThreshold(kTinyGigabytes); // back to what was scanned: no scan needed
    EXPECT_EQ(names(model.files()), (QStringList{u"big.mov"_s, u"mid.mov"_s}));
    model.applyThreshold(0.000001); // lower than the scan went: it scans again
    EXPECT_EQ(model.state(), ScanState::scanning);
    ASSERT_TRUE(waitForState(model, ScanState::scanned, 20000));
    ASSERT_EQ(names(model.files()), (QStringList{u"big.mov"_s, u"mid.mov"_s, u"small.mov"_s}));
    model.toggleAllSelection(); // not all ticked: ticks all
    EXPECT_EQ(model.selectedSize(), model.files()[0].size + model.files()[1].size + model.files()[2].size);

    // One file changed after the scan and one the Trash refuses: both stay, still ticked.
    m_tree->file(u"a/mid.mov"_s, 5);
    model.clean();
    ASSERT_TRUE(waitForState(model, ScanState::scanned, 20000));
    EXPECT_EQ(trash->attempted(), (QStringList{big, small})); // the changed file is never offered
    EXPECT_EQ(names(model.files()), (QStringList{u"mid.mov"_s, u"small.mov"_s}));
    EXPECT_TRUE(model.files()[0].selected && model.files()[1].selected);
    EXPECT_TRUE(loggedLines().contains(refusal("[LargeFile]", mid, TrashGateway::kResized)));
    EXPECT_TRUE(trashNoticesReach(1));
}

TEST_F(ScannerViewModels, ACleanThatMovesNothingDoesNotNotifyAndArchiveAgeCountsFromTheScansStart)
{
    grantHome();
    SWEEPORA_SKIP_WITHOUT_BIRTH_TIMES(m_tree->file(u"only.log"_s, 100));
    auto trash = std::make_shared<FailingTrash>(std::make_shared<RecordingTrash>());
    trash->failEverything();
    Trash::setCurrent(trash);

    MiscFileCleanupViewModel model(MiscFileCategory::miscellaneous);
    model.startScan();
    ASSERT_TRUE(waitForState(model, ScanState::scanned, 20000));
    model.toggleAllSelection();
    model.clean();
    ASSERT_TRUE(waitForState(model, ScanState::scanned, 20000));
    EXPECT_EQ(model.files().size(), 1);
    EXPECT_EQ(model.message(), u"已移动 0 个文件，部分文件处理失败"_s);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_trashNotices->count(), 0);

    // The control: the same file, still ticked, moves once the Trash takes it, and that notifies.
    ASSERT_TRUE(model.files()[0].selected);
    Trash::setCurrent(std::make_shared<RecordingTrash>());
    model.clean();
    ASSERT_TRUE(waitForState(model, ScanState::scanned, 20000));
    EXPECT_TRUE(model.files().isEmpty());
    EXPECT_TRUE(trashNoticesReach(1));

    // Archive age counts from the clock when the scan starts.
    MiscFileCleanupViewModel archives(MiscFileCategory::archives);
    m_tree->file(u"old.zip"_s, 5000);
    archives.startScan(); // the archive is brand new
    ASSERT_TRUE(waitForState(archives, ScanState::scanned, 20000));
    EXPECT_TRUE(archives.files().isEmpty());

    Clock::setFixed(QDateTime::currentDateTime().addMonths(1).addDays(1));
    archives.startScan();
    ASSERT_TRUE(waitForState(archives, ScanState::scanned, 20000));
    ASSERT_EQ(names(archives.files()), QStringList{u"old.zip"_s});
    EXPECT_FALSE(archives.files()[0].selected);
    EXPECT_EQ(archives.totalSize(), archives.files()[0].size);
}

TEST_F(ScannerViewModels,
       SearchNeedsAGrantAndAQueryPublishesHitsCleansTheTickedOneCleanAtATimeAndOverlappingSearchesPublishOnlyTheLast)
{
    const QString big = m_tree->file(u"annual-report.pdf"_s, 40'000);
    m_tree->file(u"REPORTS.txt"_s, 100);
    m_tree->file(u"new-1"_s, 10);
    FileSearchViewModel model;
    model.search(u"report"_s); // no grant: only the message changes
    EXPECT_EQ(model.state(), ScanState::ready);

    grantHome();
    QSignalSpy messages(&model, &FileSearchViewModel::messageChanged);
    model.search(u" \n\t "_s); // a blank query changes nothing
    EXPECT_EQ(model.state(), ScanState::ready);
    EXPECT_EQ(messages.count(), 0);

    model.search(u"  Report "_s);
    EXPECT_EQ(model.state(), ScanState::scanning);
    EXPECT_EQ(model.currentQuery(), u"Report"_s);
    ASSERT_TRUE(waitForState(model, ScanState::scanned));
    EXPECT_EQ(model.message(), u"找到 2 个名称包含“Report”的文件"_s);
    EXPECT_EQ(names(model.results()), (QStringList{u"annual-report.pdf"_s, u"REPORTS.txt"_s}));
    EXPECT_EQ(model.selectedSize(), 0);

    model.toggleSelection(big);
    EXPECT_EQ(model.selectedSize(), model.results()[0].size);
    model.clean();
    EXPECT_EQ(model.state(), ScanState::cleaning);
    ASSERT_TRUE(waitForState(model, ScanState::scanned));
    EXPECT_EQ(names(model.results()), QStringList{u"REPORTS.txt"_s});
    EXPECT_TRUE(trashNoticesReach(1));

    // A search asked for during a clean waits for it, so no second clean can overlap.
    model.toggleAllSelection();
    model.clean();
    model.search(u"new"_s);
    EXPECT_EQ(model.state(), ScanState::cleaning) << "the search starts once the clean has handed back";
    model.clean(); // refused: one clean at a time
    EXPECT_EQ(model.state(), ScanState::cleaning);
    ASSERT_TRUE(waitForState(model, ScanState::scanning));
    jobPool().waitForDone();
    QCoreApplication::processEvents();
    ASSERT_TRUE(waitForState(model, ScanState::scanned));
    QCoreApplication::processEvents();
    EXPECT_EQ(names(model.results()), QStringList{u"new-1"_s});
    EXPECT_EQ(model.message(), u"找到 1 个名称包含“new”的文件"_s);
    EXPECT_FALSE(QFileInfo::exists(m_tree->path(u"REPORTS.txt"_s)));

    // Overlapping searches publish only the list of the last started.
    // The first search has more to stat, so it tends to end last: it must still lose.
    for (int i = 0; i < 400; ++i)
        m_tree->file(u"many/alpha-%1"_s.arg(i), 10);
    m_tree->file(u"beta.txt"_s, 10);
    QList<QStringList> published;
    QObject::connect(&model, &FileSearchViewModel::resultsChanged, [&] {
        if (!model.results().isEmpty())
            published.append(names(model.results()));
    });
    QSignalSpy finished(&model, &FileSearchViewModel::scanFinished);

    model.search(u"alpha"_s);
    model.search(u"beta"_s);
    EXPECT_EQ(model.currentQuery(), u"beta"_s);
    jobPool().waitForDone();
    ASSERT_TRUE(waitForState(model, ScanState::scanned));
    QCoreApplication::processEvents(); // let any late hand-back arrive
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(published, QList<QStringList>{QStringList{u"beta.txt"_s}});
    EXPECT_EQ(model.message(), u"找到 1 个名称包含“beta”的文件"_s);
}

TEST_F(ScannerViewModels, EmptyFoldersScanSelectAndCleanWithAFolderThatGainedAFile)
{
    const QString deep = m_tree->folder(u"a/b/c"_s);
    const QString gains = m_tree->folder(u"gains"_s);
    m_tree->folder(u"plain"_s);
    EmptyFolderCleanupViewModel model;
    grantHome();
    model.startScan();
    EXPECT_EQ(model.state(), ScanState::scanning);
    model.startScan(); // ignored while scanning
    ASSERT_TRUE(waitForState(model, ScanState::scanned));
    ASSERT_EQ(model.folders().size(), 3);
    model.toggleAllSelection();
    model.toggleSelection(deep);
    EXPECT_EQ(model.selectedCount(), 2);

    m_tree->file(u"gains/new.txt"_s, 5);
    model.clean();
    ASSERT_TRUE(waitForState(model, ScanState::scanned));
    // The folder that gained a file stays, still ticked, and the user hears why.
    ASSERT_EQ(names(model.folders()), (QStringList{u"c"_s, u"gains"_s}));
    EXPECT_TRUE(model.folders()[1].selected);
    EXPECT_EQ(loggedLines().filter(u"[EmptyFolderCleanup]"_s),
              QStringList{refusal("[EmptyFolderCleanup]", gains, EmptyFolderEngine::kNoLongerEmpty)});
    EXPECT_TRUE(trashNoticesReach(1));
}

class QuickCleanup : public HomeFixture
{
protected:
    void SetUp() override
    {
        HomeFixture::SetUp();
        m_tree->file(u"Downloads/old.zip"_s, 4000);
        m_tree->file(u"Downloads/older.tar"_s, 8000);
        m_tree->folder(u"Documents/empty"_s);
        m_tree->folder(u"Pictures/also-empty"_s);
    }
    bool waitUntilIdle()
    {
        return waitUntil([&] { return !quick.isAnyScanRunning(); }, 20000);
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
    MiscFileCleanupViewModel misc{MiscFileCategory::miscellaneous};
    MiscFileCleanupViewModel archive{MiscFileCategory::archives};
    MiscFileCleanupViewModel installer{MiscFileCategory::installers};
    EmptyFolderCleanupViewModel emptyFolder;
    QuickCleanupViewModel quick{{&task, &application, &misc, &archive, &installer, &emptyFolder}};
};

TEST_F(QuickCleanup,
       RefusedAccessLeavesTheCardsSixScansStartTogetherEachCardFollowsItsModelAndABusyModelBlocksTheButton)
{
    Trash::setCurrent(std::make_shared<RecordingTrash>());
    QSignalSpy changed(&quick, &QuickCleanupViewModel::changed);
    ASSERT_EQ(quick.cards().size(), QuickCleanupViewModel::scanCount());
    EXPECT_FALSE(quick.hasActivity());
    m_picker->cancelNext();
    quick.startQuickScan();
    EXPECT_EQ(m_picker->requests().size(), 1);
    EXPECT_EQ(statuses(), QList<Status>(6, Status::notScanned));
    EXPECT_FALSE(quick.hasStarted());
    EXPECT_FALSE(quick.hasActivity());

    // A panel the user has not answered yet: a second press asks no more.
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
    // All six started before any handed back: none waits for another.
    EXPECT_EQ(statuses(), QList<Status>(6, Status::scanning));
    EXPECT_TRUE(quick.hasStarted());
    EXPECT_TRUE(quick.hasActivity());
    EXPECT_EQ(quick.startButtonText(), u"正在扫描 0/6"_s);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(statuses(), QList<Status>(6, Status::done));
    EXPECT_EQ(quick.completedScanCount(), 6);
    EXPECT_GT(changed.count(), 6);

    const QList<QuickCleanupCard> cards = quick.cards();
    EXPECT_EQ(cards[3].count, archive.files().size());
    EXPECT_EQ(cards[3].size, archive.totalSize());
    EXPECT_FALSE(cards[5].showsSize); // empty folders never show a size
    EXPECT_EQ(cards[5].figureText(), u"2 个文件夹"_s);
    EXPECT_EQ(cards[5].countText(), u"2 项结果"_s);
    EXPECT_EQ(cards[0].count, 0); // found nothing: done with a count of 0

    // A clean on a section changes its card.
    emptyFolder.toggleSelection(emptyFolder.folders().first().path);
    emptyFolder.clean();
    EXPECT_EQ(quick.cards()[5].statusText(), u"清理中"_s);
    EXPECT_FALSE(quick.isAnyScanRunning()); // cleaning is not scanning
    ASSERT_TRUE(waitForState(emptyFolder, ScanState::scanned));
    EXPECT_EQ(quick.cards()[5].count, 1);
    EXPECT_EQ(quick.cards()[5].statusText(), u"已完成"_s);

    // The label counts finished scans and a busy model blocks the button: three finished, three
    // started on their own pages and not yet handed back.
    task.startScan();
    application.startScan();
    emptyFolder.startScan();
    EXPECT_EQ(quick.completedScanCount(), 3);
    EXPECT_EQ(quick.startButtonText(), u"正在扫描 3/6"_s);
    quick.startQuickScan(); // ignored: the finished three are not scanned again
    EXPECT_EQ(misc.state(), ScanState::scanned);
    EXPECT_EQ(picker->pending.size(), 1);
    ASSERT_TRUE(waitUntilIdle());

    // Once idle, a quick scan scans an already scanned model again.
    quick.startQuickScan();
    EXPECT_EQ(misc.state(), ScanState::scanning);
    EXPECT_EQ(quick.cards()[2].statusText(), u"扫描中"_s);
    // A scanner that knows how far it is says so on its card.
    EXPECT_EQ(quick.cards()[0].statusText(), u"扫描中 0%"_s);
    ASSERT_TRUE(waitUntilIdle());
}

class StorageAnalysisModelTest : public HomeFixture
{
protected:
    void SetUp() override
    {
        HomeFixture::SetUp();
        m_tree->file(u"big/a"_s, 90000);
        m_tree->file(u"big/inner/b"_s, 30000);
        m_tree->file(u"small/c"_s, 20000);
        m_tree->file(u"note.txt"_s, 500);
    }

    static bool waitForListing(StorageAnalysisModel& model)
    {
        return waitUntil([&] { return !model.isScanning(); }, 10000);
    }

    static StorageEntry entryNamed(const StorageAnalysisModel& model, const QString& name)
    {
        for (const StorageEntry& e : model.entries())
            if (QFileInfo(e.path).fileName() == name)
                return e;
        ADD_FAILURE() << "no entry " << name.toStdString();
        return {};
    }
};

TEST_F(StorageAnalysisModelTest,
       AChosenFolderStartsAFreshPathListingsAreCachedUntilADeletionOrRefreshAndMovingOnShowsTheFolderTheUserIsIn)
{
    const QString other = makeFolder(u"elsewhere/photos"_s);
    TreeBuilder(other).file(u"p.jpg"_s, 7000);
    StorageAnalysisModel model;

    // Without a home grant the home folder cannot be read.
    model.refresh();
    EXPECT_FALSE(model.isScanning());
    EXPECT_TRUE(model.entries().isEmpty());
    m_picker->answerWith(makeFolder(u"gone"_s) + u"/missing"_s);
    model.chooseDirectory();
    EXPECT_EQ(model.currentDirectory(), home());

    m_picker->cancelNext();
    model.chooseDirectory();
    ASSERT_EQ(m_picker->requests().size(), 2);
    EXPECT_EQ(m_picker->requests()[1].directory, home());
    EXPECT_EQ(model.currentDirectory(), home());

    // No home grant is needed for a folder the user picked.
    m_picker->answerWith(other + u"/"_s);
    model.chooseDirectory();
    EXPECT_EQ(model.currentDirectory(), other);
    EXPECT_EQ(model.directoryStack(), QStringList{other});
    ASSERT_TRUE(waitForListing(model));
    EXPECT_EQ(names(model.entries()), QStringList{u"p.jpg"_s});

    grantHome();
    // A model starts at home, enters only listed folders and caches listings until refreshed.
    StorageAnalysisModel cached;
    EXPECT_EQ(cached.directoryStack(), QStringList{home()});
    EXPECT_TRUE(cached.entries().isEmpty());
    QSignalSpy scanning(&cached, &StorageAnalysisModel::isScanningChanged);
    cached.goUp(); // no further than home
    EXPECT_EQ(cached.directoryStack(), QStringList{home()});
    EXPECT_EQ(scanning.count(), 0);

    cached.refresh();
    EXPECT_TRUE(cached.isScanning());
    ASSERT_TRUE(waitForListing(cached));
    EXPECT_EQ(scanning.count(), 2); // a refresh does start and end a computation
    EXPECT_EQ(names(cached.entries()), (QStringList{u"big"_s, u"small"_s, u"note.txt"_s}));
    // Only folders of the current listing can be entered.
    const StorageEntry small = entryNamed(cached, u"small"_s);
    cached.enterDirectory(entryNamed(cached, u"note.txt"_s));
    EXPECT_EQ(cached.currentDirectory(), home());
    cached.enterDirectory(entryNamed(cached, u"big"_s));
    ASSERT_TRUE(waitForListing(cached));
    EXPECT_EQ(cached.directoryStack(), (QStringList{home(), m_tree->path(u"big"_s)}));
    EXPECT_EQ(names(cached.entries()), (QStringList{u"a"_s, u"inner"_s}));
    cached.enterDirectory(small); // a row of the home listing, tapped late, is not a child of "big"
    EXPECT_EQ(cached.currentDirectory(), m_tree->path(u"big"_s));

    // A deletion with a failure keeps the failed item selected and drops every cache.
    auto trash = std::make_shared<FailingTrash>();
    Trash::setCurrent(trash);
    const StorageEntry a = entryNamed(cached, u"a"_s);
    const StorageEntry inner = entryNamed(cached, u"inner"_s);
    trash->failPath(inner.path);
    cached.setSelected(inner.path, true);
    cached.setSelected(a.path, true);
    EXPECT_EQ(cached.selectedEntries(), (QList<StorageEntry>{a, inner})) << "in listing order";
    EXPECT_EQ(cached.selectedSize(), a.size + inner.size);
    cached.deleteSelected();
    EXPECT_TRUE(cached.isDeleting());
    cached.deleteSelected(); // refused while one runs
    ASSERT_TRUE(waitUntil([&] { return !cached.isDeleting(); }));
    EXPECT_EQ(trash->attempted(), (QStringList{a.path, inner.path}));
    EXPECT_FALSE(QFileInfo::exists(a.path));
    EXPECT_TRUE(QFileInfo::exists(inner.path));
    EXPECT_EQ(cached.entries(), QList<StorageEntry>{inner});
    EXPECT_EQ(cached.selectedEntryIDs(), QSet<QString>{inner.path});
    EXPECT_EQ(cached.message(), u"已移到废纸篓 1 项，1 项失败"_s);
    EXPECT_TRUE(loggedLines().contains(refusal("[StorageAnalysis]", inner.path, FailingTrash::kDefaultError)));
    EXPECT_TRUE(trashNoticesReach(1));
    // The home listing was cached before; its sizes are stale now, so going up recomputes.
    EXPECT_FALSE(cached.hasCachedListing(home()));
    cached.goUp();
    EXPECT_TRUE(cached.isScanning());
    ASSERT_TRUE(waitForListing(cached));
    EXPECT_EQ(entryNamed(cached, u"big"_s).size, inner.size);
    cached.enterDirectory(entryNamed(cached, u"big"_s));
    ASSERT_TRUE(waitForListing(cached));

    // New files do not show in cached listings: going back and in again is instant.
    m_tree->file(u"fresh"_s, 200000);
    m_tree->file(u"big/fresh"_s, 200000);
    cached.goUp();
    EXPECT_FALSE(cached.isScanning());
    EXPECT_EQ(names(cached.entries()).size(), 3);
    cached.enterDirectory(entryNamed(cached, u"big"_s));
    EXPECT_FALSE(cached.isScanning());
    EXPECT_EQ(names(cached.entries()), QStringList{u"inner"_s});

    // Refreshing recomputes this folder only.
    cached.refresh();
    EXPECT_TRUE(cached.isScanning());
    ASSERT_TRUE(waitForListing(cached));
    EXPECT_EQ(names(cached.entries()).first(), u"fresh"_s);
    cached.goUp();
    EXPECT_FALSE(cached.isScanning());
    EXPECT_EQ(names(cached.entries()).size(), 3);

    // Moving on during a computation shows the folder the user is in.
    // Home is recomputed; meanwhile the user enters the cached "big": it shows at once.
    cached.refresh();
    ASSERT_TRUE(cached.isScanning());
    cached.enterDirectory(entryNamed(cached, u"big"_s));
    EXPECT_EQ(names(cached.entries()), (QStringList{u"fresh"_s, u"inner"_s}));
    ASSERT_TRUE(waitForListing(cached));
    EXPECT_EQ(cached.currentDirectory(), m_tree->path(u"big"_s));
    EXPECT_EQ(names(cached.entries()), (QStringList{u"fresh"_s, u"inner"_s}));
    EXPECT_TRUE(cached.hasCachedListing(home()));

    // Home is recomputed again; meanwhile the user enters "small", never listed: nothing of
    // home stays under its name, and its own listing follows.
    cached.goUp();
    cached.refresh();
    cached.enterDirectory(entryNamed(cached, u"small"_s));
    EXPECT_TRUE(cached.entries().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return cached.hasCachedListing(m_tree->path(u"small"_s)); }));
    ASSERT_TRUE(waitForListing(cached));
    EXPECT_EQ(names(cached.entries()), QStringList{u"c"_s});
    EXPECT_EQ(cached.message(), u"共 1 项"_s);
    EXPECT_EQ(cached.directoryStack(), (QStringList{home(), m_tree->path(u"small"_s)}));
}

TrashReadError posix(int code)
{
    return {TrashReadError::kPosixDomain, code, QString(), nullptr};
}

TrashReadError wrapping(const TrashReadError& inner, int code = TrashReadError::kFileReadUnknown)
{
    return {TrashReadError::kCocoaDomain, code, QString(), std::make_shared<const TrashReadError>(inner)};
}

using TrashSummaryTest = HomeFixture;

TEST_F(TrashSummaryTest,
       WithoutAGrantNothingIsCountedEachTopLevelEntryIsAnItemAndCountsRepeatOnNotificationsAndActivation)
{
    const QString trashFolder = PlatformLayout::current().trashFolder;
    const auto waitForCount = [](TrashSummaryViewModel& m) { return waitUntil([&] { return !m.isLoading(); }); };
    TrashSummaryViewModel model;
    model.refreshTrashSummary();
    EXPECT_FALSE(model.isLoading());
    EXPECT_FALSE(model.isAvailable());
    EXPECT_EQ(model.itemCount(), 0);
    EXPECT_EQ(model.statusText(), u"暂时无法读取"_s);
    EXPECT_TRUE(loggedLines().isEmpty());
    EXPECT_EQ(model.trashPath(), trashFolder);

    grantHome();
    model.refreshTrashSummary();
    ASSERT_TRUE(waitForCount(model));
    // A fresh account has no Trash folder until something is first moved there: no log line, no alert.
    EXPECT_TRUE(model.isAvailable());
    EXPECT_EQ(model.statusText(), u"0 项 · 0 KB"_s);
    EXPECT_FALSE(model.showFullDiskAccessPrompt());
    EXPECT_TRUE(loggedLines().filter(u"[TrashSummary]"_s).isEmpty()) << "the grant writes lines of its own";
    // Once the Trash exists, the same model reads it: a hidden file and a folder of many files are an item each.
    TreeBuilder tree(trashFolder);
    qint64 size = TreeBuilder::allocatedBytes(tree.file(u".DS_Store"_s, 6000));
    for (int i = 0; i < 60; ++i)
        size += TreeBuilder::allocatedBytes(tree.file(u"project/src/%1/.f%2"_s.arg(i % 7).arg(i), 1500 + i));
    size += TreeBuilder::allocatedBytes(tree.file(u"project/App.app/Contents/bin"_s, 9000));
    tree.symlink(u"project/link"_s, TreeBuilder(home()).file(u"big"_s, 500000));
    model.refreshTrashSummary();
    EXPECT_TRUE(model.isLoading());
    ASSERT_TRUE(waitForCount(model));
    EXPECT_EQ(model.itemCount(), 2);
    EXPECT_EQ(model.totalSize(), size);
    EXPECT_EQ(model.statusText(), u"2 项 · "_s + formattedByteCount(size));
    EXPECT_EQ(loggedLines().filter(u"[TrashSummary]"_s),
              QStringList{u"[TrashSummary] Finder 废纸篓读取成功：%1，2 项，%2 字节"_s.arg(trashFolder,
                                                                                           QString::number(size))});

    // It counts again on notifications and on activation while unavailable, and alerts once on a permission error.
    std::atomic<int> counted{0};
    std::atomic<int> failure{0}; // the errno of the read, 0 while it succeeds
    TrashSummaryViewModel counting(
        [&](const QString&) {
            ++counted;
            TrashSummaryEngine::Count count;
            count.exists = true;
            count.itemCount = counted;
            if (failure == EIO)
                count.error = posix(EIO);
            else if (failure != 0)
                count.error = wrapping(posix(failure));
            return count;
        },
        nullptr);
    counting.refreshTrashSummary();
    counting.refreshTrashSummary(); // dropped: one count at a time
    ASSERT_TRUE(waitForCount(counting));
    EXPECT_EQ(counted, 1);
    counting.applicationDidBecomeActive();
    EXPECT_FALSE(counting.isLoading());

    Notifications::instance().postTrashContentsDidChange();
    ASSERT_TRUE(waitUntil([&] { return counting.itemCount() == 2 && !counting.isLoading(); }));
    failure = EIO;
    Notifications::instance().postAuthorizationDidChange();
    ASSERT_TRUE(waitUntil([&] { return counted == 3 && !counting.isLoading(); }));
    EXPECT_FALSE(counting.isAvailable());
    EXPECT_FALSE(counting.showFullDiskAccessPrompt()) << "not a permission error";
    failure = 0;
    counting.applicationDidBecomeActive();
    EXPECT_TRUE(counting.isLoading());
    ASSERT_TRUE(waitForCount(counting));
    EXPECT_TRUE(counting.isAvailable());
    EXPECT_EQ(counting.itemCount(), 4);

    // A permission error raises the access alert, once per counting.
    failure = EPERM;
    counting.refreshTrashSummary();
    ASSERT_TRUE(waitForCount(counting));
    EXPECT_FALSE(counting.isAvailable());
    EXPECT_TRUE(counting.showFullDiskAccessPrompt());
    counting.dismissFullDiskAccessPrompt();
    EXPECT_FALSE(counting.showFullDiskAccessPrompt());
    counting.refreshTrashSummary();
    ASSERT_TRUE(waitForCount(counting));
    EXPECT_EQ(counted, 6);
    EXPECT_FALSE(counting.showFullDiskAccessPrompt());
    EXPECT_TRUE(counting.hasPromptedForFullDiskAccess());
    EXPECT_EQ(counting.statusText(), u"暂时无法读取"_s);

    // Permission errors are found through their causes.
    using TrashSummaryEngine::isPermissionError;
    EXPECT_TRUE(isPermissionError(posix(EPERM)));
    EXPECT_TRUE(isPermissionError(posix(EACCES)));
    EXPECT_TRUE(isPermissionError({TrashReadError::kCocoaDomain, 257, QString(), nullptr}));
    EXPECT_TRUE(isPermissionError(wrapping(wrapping(posix(EACCES)))));
    EXPECT_TRUE(isPermissionError(TrashReadError::fromErrno(EPERM, QString())));

    EXPECT_FALSE(isPermissionError(posix(ENOENT)));
    EXPECT_FALSE(isPermissionError(posix(257)));
    EXPECT_FALSE(isPermissionError({u"OtherDomain"_s, EACCES, QString(), nullptr}));
    EXPECT_FALSE(isPermissionError(wrapping(posix(EIO), TrashReadError::kFileReadNoSuchFile)));
    EXPECT_FALSE(isPermissionError(TrashReadError::fromErrno(EIO, QString())));
}

TEST(AboutInfoTest, VersionTextFillsInWhatTheBuildDidNotRecord)
{
    EXPECT_EQ(AboutInfo::versionText(u"2.3.1"_s, u"45"_s), u"版本 2.3.1（45）"_s);
    EXPECT_EQ(AboutInfo::versionText(u"2.3.1"_s, std::nullopt), u"版本 2.3.1（1）"_s);
    EXPECT_EQ(AboutInfo::versionText(std::nullopt, std::nullopt), u"版本 1.0（1）"_s);
    ASSERT_TRUE(AboutInfo::shortVersionString().has_value()) << "the build records its version";
    EXPECT_EQ(AboutInfo::installedVersionText(),
              AboutInfo::versionText(AboutInfo::shortVersionString(), AboutInfo::buildVersion()));
}

} // namespace
