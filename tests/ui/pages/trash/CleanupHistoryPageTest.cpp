// Undo after a clean, 清理记录 and its restores, and emptying the Trash, through the real widgets
// and the real Trash of the test home.
#include "ui/pages/trash/CleanupHistoryPage.h"
#include "core/platform/PlatformLayout.h"
#include "core/scanners/FileSearchEngine.h"
#include "core/scanners/LargeFileViewModel.h"
#include "core/trash/CleanRun.h"
#include "core/trash/CleanupHistoryViewModel.h"
#include "core/trash/EmptyTrashViewModel.h"
#include "ui/PageTest.h"
#include "ui/components/CleanRunBar.h"
#include "ui/components/UrlOpener.h"
#include "ui/pages/large/LargeFilePage.h"
#include "ui/pages/trash/TrashSummaryView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

using namespace Sweepora;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

class CleanupHistoryPageTest : public Themed<>
{
protected:
    void SetUp() override
    {
        Themed::SetUp();
        grantHome();
        Ui::setUrlOpener([this](const QUrl& url) {
            opened.append(url);
            return opens;
        });
    }

    QString trashFiles() const { return Core::PlatformLayout::current().trashFolder; }
    int trashCount() const { return QDir(trashFiles()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(); }

    // One clean of the files named `name`, as 文件搜索 does it.
    qint64 cleanByName(const QString& name)
    {
        const auto items = Core::FileSearchEngine::search(m_tree->root(), name).items;
        return Core::FileSearchEngine::moveToTrash(items).batchId;
    }

    QList<QUrl> opened;
    bool opens = true; // false: a desktop without a file manager
};

TEST_F(CleanupHistoryPageTest,
       TheLineAfterACleanUndoesItOpensTheTrashEmptyingItAsksFirstAndACancelledCleanUndoesWhatMoved)
{
    const QString movie = m_tree->file(u"Movies/trip.mov"_s, 40000);
    Ui::LargeFilePage page;
    showAt(page, 760, 520);
    Core::LargeFileViewModel& model = page.model();
    auto* bar = page.findChild<Ui::CleanRunBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isHidden()) << "nothing to report before a clean";

    model.startScan(0.00001);
    ASSERT_TRUE(waitForState(model, Core::ScanState::scanned));
    model.toggleAllSelection();
    model.clean();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->cancelButton()->isVisible());
    ASSERT_TRUE(waitForState(model, Core::ScanState::scanned));
    EXPECT_FALSE(QFile::exists(movie));
    EXPECT_EQ(bar->textLabel()->text(), model.message());
    EXPECT_TRUE(bar->undoButton()->isVisible());
    EXPECT_FALSE(bar->cancelButton()->isVisible());
    Screenshots::save(&page, u"undo-1-cleaned"_s);

    QTest::mouseClick(bar->openTrashButton(), Qt::LeftButton);
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(trashFiles())});
    // A desktop without a file manager: said, not silently ignored.
    opens = false;
    QTest::mouseClick(bar->openTrashButton(), Qt::LeftButton);
    auto* none = page.findChild<QMessageBox*>(u"noFileManager"_s);
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->text().contains(trashFiles()));
    none->close();

    QTest::mouseClick(bar->undoButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(movie); }, 10000));
    ASSERT_TRUE(waitUntil([&] { return bar->textLabel()->text() == u"已恢复 1 项"_s; }, 10000));
    EXPECT_FALSE(bar->undoButton()->isVisible()) << "a batch is undone once";
    EXPECT_EQ(QFileInfo(movie).size(), 40000);
    EXPECT_EQ(trashCount(), 0);
    Screenshots::save(&page, u"undo-2-restored"_s);

    // Emptying the Trash asks with the count and size, and removes only on yes.
    m_tree->file(u"x.tmp"_s, 5000);
    m_tree->file(u"y.tmp"_s, 5000);
    ASSERT_GT(cleanByName(u".tmp"_s), 0);
    ASSERT_EQ(trashCount(), 2);
    Ui::TrashSummaryView card;
    showAt(card, 480, 140);

    const auto ask = [&] {
        QTest::mouseClick(card.emptyButton(), Qt::LeftButton);
        EXPECT_TRUE(waitUntil([&] { return card.emptyConfirmation() != nullptr; }, 10000));
        return card.emptyConfirmation();
    };
    QMessageBox* box = ask();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().startsWith(u"将永久删除废纸篓中的 2 项，释放 "_s));
    EXPECT_TRUE(box->text().endsWith(u"此操作无法撤销。"_s));
    ASSERT_NE(box->defaultButton(), nullptr);
    EXPECT_EQ(box->defaultButton()->text(), u"取消"_s);
    Screenshots::save(box, u"empty-trash-1-confirm"_s);
    QTest::keyClick(box, Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return card.emptyConfirmation() == nullptr; }, 5000));
    EXPECT_EQ(trashCount(), 2) << "declined: nothing removed";

    box = ask();
    ASSERT_NE(box, nullptr);
    buttonWithText(box, u"清空废纸篓"_s)->click();
    ASSERT_TRUE(waitUntil([&] { return card.emptying().step() == Core::EmptyTrashViewModel::Step::idle; }, 10000));
    EXPECT_EQ(trashCount(), 0);
    EXPECT_TRUE(card.emptying().message().startsWith(u"已清空废纸篓，释放 "_s));
    EXPECT_TRUE(QDir(trashFiles() + u"/../info"_s).isEmpty());

    // A clean cancelled midway keeps what it had not moved and undoes the rest.
    for (int i = 0; i < 3; ++i)
        m_tree->file(u"f%1.log"_s.arg(i), 100);
    const auto items = Core::FileSearchEngine::search(m_tree->root(), u".log"_s).items;
    ASSERT_EQ(items.size(), 3);
    Core::CleanRun run;
    // The job runs right here, so the test can press 取消 between two items as a user would.
    auto job = run.wrap(
        u"search"_s,
        [&] {
            Core::TrashBatchResult first = Core::FileSearchEngine::moveToTrash({items[0]});
            QTest::qWait(250); // the run shows progress on its timer
            EXPECT_EQ(run.text(), u"正在移到废纸篓… 1/3"_s);
            run.cancel();
            EXPECT_EQ(run.text(), Core::CleanRun::kCancelling);
            Core::TrashBatchResult rest = Core::FileSearchEngine::moveToTrash({items[1], items[2]});
            EXPECT_TRUE(rest.cancelled);
            EXPECT_TRUE(rest.moved.isEmpty());
            for (const Core::TrashFailure& f : rest.failed)
                EXPECT_EQ(f.error, Core::TrashGateway::kCancelled);
            return first;
        },
        items.size());
    EXPECT_TRUE(run.running());
    const Core::TrashBatchResult result = job();
    run.finish(result.message);
    EXPECT_TRUE(run.text().startsWith(u"清理已取消。"_s));
    EXPECT_TRUE(QFile::exists(items[1].path) && QFile::exists(items[2].path));
    ASSERT_TRUE(run.canUndo());
    ASSERT_TRUE(run.undo());
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(items[0].path); }, 10000));
    EXPECT_EQ(trashCount(), 0);
}

TEST_F(CleanupHistoryPageTest, HistoryListsNewestFirstRestoresTickedItemsAndNeverOverwrites)
{
    {
        Ui::CleanupHistoryPage empty;
        empty.show();
        ASSERT_TRUE(waitUntil([&] { return !empty.model().isBusy(); }, 10000));
        EXPECT_FALSE(empty.batchList()->isVisible()) << "no history: the placeholder says so";
        EXPECT_EQ(empty.batchList()->model()->rowCount(), 0);
        Screenshots::save(&empty, u"history-0-empty"_s);
    }
    const QString a = m_tree->file(u"Downloads/a.tmp"_s, 1000);
    const QString b = m_tree->file(u"Downloads/b.tmp"_s, 2000);
    const QString report = m_tree->file(u"Documents/old/report.txt"_s, 3000);
    ASSERT_GT(cleanByName(u".tmp"_s), 0);
    ASSERT_GT(cleanByName(u"report"_s), 0);
    ASSERT_TRUE(QDir(m_tree->root() + u"/Documents/old"_s).removeRecursively());

    Ui::CleanupHistoryPage page;
    showAt(page, 820, 600);
    ASSERT_TRUE(waitUntil([&] { return !page.model().isBusy(); }, 10000));
    QAbstractItemModel* batches = page.batchList()->model();
    const auto checker = checkModel(batches);
    ASSERT_EQ(batches->rowCount(), 2);
    EXPECT_EQ(batches->index(0, 1).data().toString(), u"文件搜索"_s);
    EXPECT_EQ(batches->index(0, 2).data().toString(), u"1"_s) << "newest first";
    EXPECT_EQ(batches->index(1, 2).data().toString(), u"2"_s);

    // The newest batch: its folder is gone and comes back on the way.
    QTest::mouseClick(page.restoreButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(report); }, 10000));
    ASSERT_TRUE(waitUntil([&] { return !page.model().isBusy(); }, 10000));
    EXPECT_EQ(page.messageLabel()->text(), page.model().message());

    // The older batch: one ticked item only, then the other onto an occupied place.
    page.batchList()->setCurrentIndex(batches->index(1, 0));
    QTreeWidget* entries = page.entryList();
    ASSERT_TRUE(waitUntil([&] { return entries->topLevelItemCount() == 2; }, 10000));
    EXPECT_EQ(page.restoreButton()->text(), u"恢复整批"_s);
    QTreeWidgetItem* rowA =
        entries->topLevelItem(0)->text(0) == a ? entries->topLevelItem(0) : entries->topLevelItem(1);
    rowA->setCheckState(0, Qt::Checked);
    EXPECT_EQ(page.restoreButton()->text(), u"恢复所选"_s);
    Screenshots::save(&page, u"history-1-ticked"_s);
    QTest::mouseClick(page.restoreButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !page.model().isBusy() && QFile::exists(a); }, 10000));
    EXPECT_FALSE(QFile::exists(b)) << "only the ticked item comes back";
    ASSERT_TRUE(waitUntil([&] { return entries->topLevelItemCount() == 2; }, 10000));

    m_tree->file(u"Downloads/b.tmp"_s, 7);
    QTest::mouseClick(page.restoreButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !page.model().isBusy(); }, 10000));
    EXPECT_EQ(QFileInfo(b).size(), 7) << "the file in its place is left alone";
    Screenshots::save(&page, u"history-2-occupied"_s);
}

} // namespace
