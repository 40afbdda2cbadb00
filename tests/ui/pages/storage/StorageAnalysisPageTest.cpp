#include "ui/pages/storage/StorageAnalysisPage.h"
#include "core/scanners/StorageAnalysisModel.h"
#include "core/trash/Trash.h"
#include "core/util/ByteCount.h"
#include "support/TrashFakes.h"
#include "ui/ListArrangeSteps.h"
#include "ui/PageTest.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/SelectAllBar.h"
#include "ui/components/Treemap.h"
#include "ui/pages/storage/StorageEntryListModel.h"
#include "ui/pages/storage/StorageRowDelegate.h"
#include "ui/window/MainWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

using namespace Sweepora;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;
using Core::StorageAnalysisModel;

namespace {

class StorageAnalysisPageTest : public Themed<>
{
protected:
    void SetUp() override
    {
        Themed::SetUp();
        m_tree->file(u"Movies/trip.mov"_s, 400000);
        m_tree->file(u"Movies/.thumbs/t1"_s, 20000);
        m_tree->file(u"Documents/report.pdf"_s, 120000);
        m_tree->file(u"notes.txt"_s, 9000);
        grantHome();
        // After the layout: the page starts at the home folder it names.
        m_page = std::make_unique<Ui::StorageAnalysisPage>();
    }

    Ui::StorageAnalysisPage& page() const { return *m_page; }

    template <class T> T* child(const char* name) const
    {
        T* w = page().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QString status() const { return child<QLabel>("statusLabel")->text(); }

    bool waitForListing() const
    {
        return waitUntil([&] { return !page().model().isScanning(); });
    }

    QModelIndex rowOf(const QString& name) const
    {
        const QAbstractItemModel* rows = page().list()->model();
        const QModelIndexList hits = rows->match(rows->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
        EXPECT_EQ(hits.size(), 1) << "no row " << name.toStdString();
        return hits.value(0);
    }

    void clickRow(const QString& name, bool onCheckbox) const
    {
        const QRect rect = page().list()->visualRect(rowOf(name));
        const QPoint at = onCheckbox ? page().rowDelegate()->checkboxRect(rect).center() : rect.center();
        QTest::mouseClick(page().list()->viewport(), Qt::LeftButton, {}, at);
    }

    std::unique_ptr<Ui::StorageAnalysisPage> m_page;
};

TEST_F(StorageAnalysisPageTest, ListsEntersGoesUpAndDeletes)
{
    auto trash = std::make_shared<RecordingTrash>();
    Core::Trash::setCurrent(trash);
    const auto checker = checkModel(page().list()->model());
    showAt(page(), 760, 560);
    EXPECT_EQ(child<QLabel>("pathLabel")->text(), home());
    EXPECT_EQ(page().list()->model()->rowCount(), 0);
    Screenshots::save(&page(), u"storage-1-start"_s);

    QTest::mouseClick(child<QPushButton>("refreshButton"), Qt::LeftButton);
    EXPECT_FALSE(child<QPushButton>("refreshButton")->isEnabled());
    Screenshots::save(&page(), u"storage-2-computing"_s);
    ASSERT_TRUE(waitForListing());
    const QAbstractItemModel* rows = page().list()->model();
    ASSERT_EQ(shownNames(rows), u"Movies,Documents,notes.txt"_s);
    EXPECT_EQ(rowOf(u"notes.txt"_s).data(Qt::ToolTipRole).toString(), home() + u"/notes.txt"_s);
    Screenshots::save(&page(), u"storage-3-listed"_s);

    // A file row does not open; its checkbox ticks it.
    clickRow(u"notes.txt"_s, false);
    EXPECT_EQ(page().model().currentDirectory(), home());
    clickRow(u"notes.txt"_s, true);
    const qint64 notesSize = page().model().selectedSize();
    ASSERT_GT(notesSize, 0);
    auto* deleteButton = child<Ui::FloatingActionButton>("deleteButton");
    EXPECT_EQ(deleteButton->text(), u"删除 "_s + Core::formattedByteCount(notesSize));
    Screenshots::save(&page(), u"storage-4-selected"_s);

    clickRow(u"Movies"_s, false);
    EXPECT_EQ(child<QLabel>("pathLabel")->text(), home() + u"/Movies"_s);
    EXPECT_EQ(deleteButton->text(), u"删除 0 KB"_s);
    ASSERT_TRUE(waitForListing());
    Screenshots::save(&page(), u"storage-5-entered"_s);

    QTest::mouseClick(child<QToolButton>("upButton"), Qt::LeftButton);
    EXPECT_EQ(child<QLabel>("pathLabel")->text(), home());
    EXPECT_EQ(page().list()->model()->rowCount(), 3);

    // A user folder is a protected place: shown in the ranking, but its box does not tick.
    EXPECT_TRUE(rowOf(u"Documents"_s).data(Ui::StorageEntryListModel::IsProtectedRole).toBool());
    clickRow(u"Documents"_s, true);
    EXPECT_EQ(page().model().selectedSize(), 0);
    clickRow(u"Movies"_s, true);
    // A folder goes only after the user has read what it holds; "取消" is the default.
    QTest::mouseClick(deleteButton, Qt::LeftButton);
    QMessageBox* ask = page().confirmation();
    ASSERT_NE(ask, nullptr);
    EXPECT_EQ(ask->text(),
              u"将 1 项（%1）移到废纸篓：Movies"_s.arg(Core::formattedByteCount(page().model().selectedSize())));
    ASSERT_NE(ask->defaultButton(), nullptr);
    EXPECT_EQ(ask->defaultButton()->text(), u"取消"_s);
    Screenshots::save(ask, u"storage-6-confirm"_s);
    QTest::keyClick(ask, Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return page().confirmation() == nullptr; }, 5000));
    EXPECT_TRUE(trash->requests().isEmpty());
    QTest::mouseClick(deleteButton, Qt::LeftButton);
    ASSERT_NE(page().confirmation(), nullptr);
    buttonWithText(page().confirmation(), u"移到废纸篓"_s)->click();
    ASSERT_TRUE(waitUntil([&] { return !page().model().isDeleting(); }, 10000));
    EXPECT_EQ(trash->requests(), QStringList{home() + u"/Movies"_s});
    EXPECT_EQ(status(), page().model().message());
    EXPECT_EQ(page().list()->model()->rowCount(), 2);
    Screenshots::save(&page(), u"storage-7-deleted"_s);
}

TEST_F(StorageAnalysisPageTest,
       ShowsTotalsFreeSpaceHiddenItemsOnRequestTicksAllAndATreemapThatEntersFoldersAsTheListDoes)
{
    m_tree->file(u".cache/thumbnails/big"_s, 900000);
    showAt(page(), 900, 560);
    QTest::mouseClick(child<QPushButton>("refreshButton"), Qt::LeftButton);
    ASSERT_TRUE(waitForListing());
    ASSERT_EQ(page().list()->model()->rowCount(), 3);
    EXPECT_EQ(page().totalLabel()->text(), u"合计 "_s + Core::formattedByteCount(page().model().totalSize()));
    // The file system of the folder: a bar of used over all, and the free space in words.
    EXPECT_TRUE(page().spaceBar()->isVisible());
    EXPECT_GT(page().spaceBar()->value(), 0);
    EXPECT_TRUE(page().spaceLabel()->text().contains(u"可用"_s));
    EXPECT_EQ(page().list()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    // Hidden folders are left out until asked for; then they are listed and counted.
    EXPECT_FALSE(page().hiddenSwitch()->isChecked());
    page().hiddenSwitch()->click();
    ASSERT_TRUE(waitUntil([&] { return page().list()->model()->rowCount() == 4; }, 10000));
    ASSERT_TRUE(waitForListing());
    EXPECT_EQ(page().list()->model()->index(0, 0).data().toString(), u".cache"_s);
    EXPECT_EQ(status(), u"共 4 项"_s);
    Screenshots::save(&page(), u"storage-hidden-shown"_s);

    // 全选 clears what it ticked (that it passes over protected rows is checked with the filter).
    Ui::SelectAllBar* bar = page().selectAllBar();
    auto* deleteButton = child<Ui::FloatingActionButton>("deleteButton");
    EXPECT_FALSE(deleteButton->isEnabled());
    QTest::mouseClick(bar->box(), Qt::LeftButton);
    EXPECT_TRUE(deleteButton->isEnabled());
    QTest::mouseClick(bar->box(), Qt::LeftButton);
    EXPECT_TRUE(page().model().selectedEntryIDs().isEmpty());
    page().hiddenSwitch()->click();
    ASSERT_TRUE(waitUntil([&] { return page().list()->model()->rowCount() == 3; }, 10000));
    ASSERT_TRUE(waitForListing());

    // The treemap draws the tree of the same walk: a click on a folder's area enters the folder its
    // row would, without walking again, and a file's area picks out its row. Both themes.
    page().resize(900, 700);
    Ui::Treemap* map = page().treemap();
    ASSERT_TRUE(map->isVisible() && page().treemapSwitch()->isChecked());
    map->render(map->size());
    const Core::StorageTree& tree = *page().model().tree();
    const auto topTile = [&](const char* name) -> const Core::TreemapTile* {
        for (const Core::TreemapTile& t : map->tiles())
            if (t.depth == 0 && !t.aggregate && tree.name(t.node) == name)
                return &t;
        return nullptr;
    };
    const Core::TreemapTile* movies = topTile("Movies");
    ASSERT_NE(movies, nullptr);
    EXPECT_EQ(map->describe(*movies), home() + u"/Movies · "_s + Core::formattedByteCount(movies->size));
    Screenshots::save(&page(), u"storage-treemap-light"_s);

    const Core::TreemapTile* notes = topTile("notes.txt");
    ASSERT_NE(notes, nullptr);
    QTest::mouseClick(map, Qt::LeftButton, {}, notes->rect.center().toPoint());
    EXPECT_EQ(page().model().currentDirectory(), home()); // a file is picked out, not entered

    QSignalSpy walks(&page().model(), &StorageAnalysisModel::listingFinished);
    QTest::mouseClick(map, Qt::LeftButton, {}, topTile("Movies")->rect.center().toPoint());
    EXPECT_EQ(page().model().currentDirectory(), home() + u"/Movies"_s);
    EXPECT_FALSE(page().model().isScanning());
    EXPECT_EQ(walks.count(), 0);
    ASSERT_EQ(page().list()->model()->rowCount(), 1); // trip.mov; its hidden thumbnails are not listed
    Ui::Theme::apply(*qApp, true);
    map->render(map->size());
    EXPECT_FALSE(map->tiles().empty());
    Screenshots::save(&page(), u"storage-treemap-dark"_s);

    page().treemapSwitch()->click();
    EXPECT_FALSE(map->isVisible());
}

TEST_F(StorageAnalysisPageTest, AComputationShowsWhatItCountedAndACancelListsNoPartialSizes)
{
    for (int i = 0; i < 200; ++i)
        m_tree->file(u"deep/%1/part"_s.arg(i), 10);
    showAt(page(), 900, 600);
    child<QPushButton>("refreshButton")->click();
    ASSERT_TRUE(page().model().isScanning());
    EXPECT_TRUE(status().startsWith(u"已检查 "_s)) << status().toStdString();
    QPushButton* cancel = child<QPushButton>("cancelListing");
    ASSERT_TRUE(cancel->isVisible());
    cancel->click();
    ASSERT_TRUE(waitUntil([&] { return !page().model().isScanning(); }, 5000));
    EXPECT_EQ(status(), StorageAnalysisModel::kCancelledMessage);
    EXPECT_TRUE(page().model().entries().isEmpty());
    EXPECT_FALSE(cancel->isVisible());
    child<QPushButton>("refreshButton")->click();
    ASSERT_TRUE(waitUntil([&] { return !page().model().isScanning(); }, 5000));
    EXPECT_EQ(page().model().entries().size(), 4); // Documents, Movies, deep, notes.txt
}

// The listing sorts and filters by name; 全选 ticks the movable rows shown, the others keep their
// ticks, and entering a folder clears the filter (it named the other folder's children).
TEST_F(StorageAnalysisPageTest, SortsFiltersAndTicksWhatIsShown)
{
    showAt(page(), Ui::MainWindow::kMinimumSize.width() - 200, Ui::MainWindow::kMinimumSize.height());
    QTest::mouseClick(child<QPushButton>("refreshButton"), Qt::LeftButton);
    ASSERT_TRUE(waitForListing());
    const QAbstractItemModel* rows = page().list()->model();
    Ui::ListArrangeControls* controls = page().arrangeControls();
    EXPECT_EQ(controls->sortMenu()->findText(u"按日期"_s), -1) << "the tree keeps no dates";
    chooseSort(controls, "按名称");
    EXPECT_EQ(shownNames(rows), u"Documents,Movies,notes.txt"_s);
    typeFilter(controls, "N");
    EXPECT_EQ(shownNames(rows), u"Documents,notes.txt"_s);
    Ui::SelectAllBar* bar = page().selectAllBar();
    QTest::mouseClick(bar->box(), Qt::LeftButton);
    EXPECT_EQ(page().model().selectedEntryIDs(), QSet<QString>{home() + u"/notes.txt"_s});
    EXPECT_EQ(bar->box()->checkState(), Qt::Checked);
    // A row's share bar is its part of the whole listing, not of the rows shown.
    EXPECT_DOUBLE_EQ(rows->index(1, 0).data(Ui::StorageEntryListModel::ShareRole).toDouble(),
                     double(page().model().selectedSize()) / double(page().model().totalSize()));
    EXPECT_LE(bar->minimumSizeHint().width(), bar->width()) << "the controls fit beside the summary";
    Screenshots::save(&page(), u"storage-filtered"_s);
    typeFilter(controls, "");
    EXPECT_EQ(bar->box()->checkState(), Qt::PartiallyChecked);

    typeFilter(controls, "mov");
    clickRow(u"Movies"_s, false);
    EXPECT_EQ(controls->filterField()->text(), QString());
    ASSERT_TRUE(waitForListing());
    EXPECT_EQ(shownNames(rows), u"trip.mov"_s);
}

} // namespace
