#include "ui/pages/storage/StorageAnalysisPage.h"
#include "ListArrangeSteps.h"
#include "PageTest.h"
#include "scanners/StorageAnalysisModel.h"
#include "support/Screenshots.h"
#include "support/TrashFakes.h"
#include "trash/Trash.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/SelectAllBar.h"
#include "ui/components/Treemap.h"
#include "ui/pages/storage/StorageEntryListModel.h"
#include "ui/pages/storage/StorageRowDelegate.h"
#include "ui/window/MainWindow.h"
#include "util/ByteCount.h"

#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace Sweepora;
using namespace Sweepora::Test;
using Core::StorageAnalysisModel;

namespace {

class StorageAnalysisPageTest : public Themed<>
{
protected:
    void SetUp() override
    {
        Themed::SetUp();
        m_tree->file(QStringLiteral("Movies/trip.mov"), 400000);
        m_tree->file(QStringLiteral("Movies/.thumbs/t1"), 20000);
        m_tree->file(QStringLiteral("Documents/report.pdf"), 120000);
        m_tree->file(QStringLiteral("notes.txt"), 9000);
        grantHome();
        // After the layout: the page starts at the home folder it names.
        m_page = std::make_unique<Ui::StorageAnalysisPage>();
    }

    void TearDown() override
    {
        m_page.reset();
        HomeFixture::TearDown();
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
        return waitUntil([&] { return !page().model().isScanning(); }, 10000);
    }

    int rowOf(const QString& name) const
    {
        const QAbstractItemModel* rows = page().list()->model();
        for (int r = 0; r < rows->rowCount(); ++r)
            if (rows->index(r, 0).data().toString() == name)
                return r;
        ADD_FAILURE() << "no row " << name.toStdString();
        return 0;
    }

    void clickRow(const QString& name, bool onCheckbox) const
    {
        const QRect rect = page().list()->visualRect(page().list()->model()->index(rowOf(name), 0));
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
    Screenshots::save(&page(), QStringLiteral("storage-1-start"));

    QTest::mouseClick(child<QPushButton>("refreshButton"), Qt::LeftButton);
    EXPECT_FALSE(child<QPushButton>("refreshButton")->isEnabled());
    Screenshots::save(&page(), QStringLiteral("storage-2-computing"));
    ASSERT_TRUE(waitForListing());
    const QAbstractItemModel* rows = page().list()->model();
    ASSERT_EQ(rows->rowCount(), 3);
    EXPECT_EQ(rows->index(0, 0).data().toString(), QStringLiteral("Movies"));
    // The share bar of each row is its part of the listing's total.
    double shares = 0;
    for (int r = 0; r < 3; ++r)
        shares += rows->index(r, 0).data(Ui::StorageEntryListModel::ShareRole).toDouble();
    EXPECT_NEAR(shares, 1.0, 1e-9);
    EXPECT_EQ(rows->index(rowOf(QStringLiteral("notes.txt")), 0).data(Qt::ToolTipRole).toString(),
              home() + QStringLiteral("/notes.txt"));
    Screenshots::save(&page(), QStringLiteral("storage-3-listed"));

    // A file row does not open; its checkbox ticks it.
    clickRow(QStringLiteral("notes.txt"), false);
    EXPECT_EQ(page().model().currentDirectory(), home());
    clickRow(QStringLiteral("notes.txt"), true);
    const qint64 notesSize = page().model().selectedSize();
    ASSERT_GT(notesSize, 0);
    auto* deleteButton = child<Ui::FloatingActionButton>("deleteButton");
    EXPECT_EQ(deleteButton->text(), QStringLiteral("删除 ") + Core::formattedByteCount(notesSize));
    Screenshots::save(&page(), QStringLiteral("storage-4-selected"));

    clickRow(QStringLiteral("Movies"), false);
    EXPECT_EQ(child<QLabel>("pathLabel")->text(), home() + QStringLiteral("/Movies"));
    EXPECT_EQ(deleteButton->text(), QStringLiteral("删除 0 KB"));
    ASSERT_TRUE(waitForListing());
    Screenshots::save(&page(), QStringLiteral("storage-5-entered"));

    QTest::mouseClick(child<QToolButton>("upButton"), Qt::LeftButton);
    EXPECT_EQ(child<QLabel>("pathLabel")->text(), home());
    EXPECT_EQ(page().list()->model()->rowCount(), 3);

    // A user folder is a protected place: shown in the ranking, but its box does not tick.
    const QModelIndex documents = page().list()->model()->index(rowOf(QStringLiteral("Documents")), 0);
    EXPECT_TRUE(documents.data(Ui::StorageEntryListModel::IsProtectedRole).toBool());
    clickRow(QStringLiteral("Documents"), true);
    EXPECT_EQ(page().model().selectedSize(), 0);
    clickRow(QStringLiteral("Movies"), true);
    // A folder goes only after the user has read what it holds; "取消" is the default.
    QTest::mouseClick(deleteButton, Qt::LeftButton);
    QMessageBox* ask = page().confirmation();
    ASSERT_NE(ask, nullptr);
    EXPECT_EQ(
        ask->text(),
        QStringLiteral("将 1 项（%1）移到废纸篓：Movies").arg(Core::formattedByteCount(page().model().selectedSize())));
    ASSERT_NE(ask->defaultButton(), nullptr);
    EXPECT_EQ(ask->defaultButton()->text(), QStringLiteral("取消"));
    Screenshots::save(ask, QStringLiteral("storage-6-confirm"));
    QTest::keyClick(ask, Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return page().confirmation() == nullptr; }, 5000));
    EXPECT_TRUE(trash->requests().isEmpty());
    QTest::mouseClick(deleteButton, Qt::LeftButton);
    ASSERT_NE(page().confirmation(), nullptr);
    buttonWithText(page().confirmation(), QStringLiteral("移到废纸篓"))->click();
    ASSERT_TRUE(waitUntil([&] { return !page().model().isDeleting(); }, 10000));
    EXPECT_EQ(trash->requests(), QStringList{home() + QStringLiteral("/Movies")});
    EXPECT_EQ(status(), page().model().message());
    EXPECT_EQ(page().list()->model()->rowCount(), 2);
    Screenshots::save(&page(), QStringLiteral("storage-7-deleted"));
    Core::Trash::setCurrent(nullptr);
}

TEST_F(StorageAnalysisPageTest,
       ShowsTotalsFreeSpaceHiddenItemsOnRequestTicksAllAndATreemapThatEntersFoldersAsTheListDoes)
{
    m_tree->file(QStringLiteral(".cache/thumbnails/big"), 900000);
    showAt(page(), 900, 560);
    QTest::mouseClick(child<QPushButton>("refreshButton"), Qt::LeftButton);
    ASSERT_TRUE(waitForListing());
    ASSERT_EQ(page().list()->model()->rowCount(), 3);
    qint64 total = 0;
    for (const Core::StorageEntry& e : page().model().entries())
        total += e.size;
    EXPECT_EQ(page().totalLabel()->text(), QStringLiteral("合计 ") + Core::formattedByteCount(total));
    // The file system of the folder: a bar of used over all, and the free space in words.
    EXPECT_TRUE(page().spaceBar()->isVisible());
    EXPECT_GT(page().spaceBar()->value(), 0);
    EXPECT_TRUE(page().spaceLabel()->text().contains(QStringLiteral("可用")));
    EXPECT_EQ(page().list()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    // Hidden folders are left out until asked for; then they are listed and counted.
    EXPECT_FALSE(page().hiddenSwitch()->isChecked());
    page().hiddenSwitch()->click();
    ASSERT_TRUE(waitUntil([&] { return page().list()->model()->rowCount() == 4; }, 10000));
    ASSERT_TRUE(waitForListing());
    EXPECT_EQ(page().list()->model()->index(0, 0).data().toString(), QStringLiteral(".cache"));
    EXPECT_EQ(status(), QStringLiteral("共 4 项"));
    Screenshots::save(&page(), QStringLiteral("storage-hidden-shown"));

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
    EXPECT_EQ(map->describe(*movies), home() + QStringLiteral("/Movies · ") + Core::formattedByteCount(movies->size));
    Screenshots::save(&page(), QStringLiteral("storage-treemap-light"));

    const Core::TreemapTile* notes = topTile("notes.txt");
    ASSERT_NE(notes, nullptr);
    QTest::mouseClick(map, Qt::LeftButton, {}, notes->rect.center().toPoint());
    EXPECT_EQ(page().model().currentDirectory(), home()); // a file is picked out, not entered

    QSignalSpy walks(&page().model(), &StorageAnalysisModel::listingFinished);
    QTest::mouseClick(map, Qt::LeftButton, {}, topTile("Movies")->rect.center().toPoint());
    EXPECT_EQ(page().model().currentDirectory(), home() + QStringLiteral("/Movies"));
    EXPECT_FALSE(page().model().isScanning());
    EXPECT_EQ(walks.count(), 0);
    ASSERT_EQ(page().list()->model()->rowCount(), 1); // trip.mov; its hidden thumbnails are not listed
    Ui::Theme::apply(*qApp, true);
    map->render(map->size());
    EXPECT_FALSE(map->tiles().empty());
    Screenshots::save(&page(), QStringLiteral("storage-treemap-dark"));
    Ui::Theme::apply(*qApp, false);

    page().treemapSwitch()->click();
    EXPECT_FALSE(map->isVisible());
}

TEST_F(StorageAnalysisPageTest, AComputationShowsWhatItCountedAndACancelListsNoPartialSizes)
{
    for (int i = 0; i < 200; ++i)
        m_tree->file(QStringLiteral("deep/%1/part").arg(i), 10);
    showAt(page(), 900, 600);
    child<QPushButton>("refreshButton")->click();
    ASSERT_TRUE(page().model().isScanning());
    EXPECT_TRUE(status().startsWith(QStringLiteral("已检查 "))) << status().toStdString();
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
    EXPECT_EQ(controls->sortMenu()->findText(QStringLiteral("按日期")), -1) << "the tree keeps no dates";
    chooseSort(controls, "按名称");
    EXPECT_EQ(shownNames(rows), QStringLiteral("Documents,Movies,notes.txt"));
    typeFilter(controls, "N");
    EXPECT_EQ(shownNames(rows), QStringLiteral("Documents,notes.txt"));
    Ui::SelectAllBar* bar = page().selectAllBar();
    QTest::mouseClick(bar->box(), Qt::LeftButton);
    EXPECT_EQ(page().model().selectedEntryIDs(), QSet<QString>{home() + QStringLiteral("/notes.txt")});
    EXPECT_EQ(bar->box()->checkState(), Qt::Checked);
    EXPECT_DOUBLE_EQ(rows->index(1, 0).data(Ui::StorageEntryListModel::ShareRole).toDouble(),
                     double(page().model().selectedSize()) / double(page().model().totalSize()));
    EXPECT_LE(bar->minimumSizeHint().width(), bar->width()) << "the controls fit beside the summary";
    Screenshots::save(&page(), QStringLiteral("storage-filtered"));
    typeFilter(controls, "");
    EXPECT_EQ(bar->box()->checkState(), Qt::PartiallyChecked);

    typeFilter(controls, "mov");
    clickRow(QStringLiteral("Movies"), false);
    EXPECT_EQ(controls->filterField()->text(), QString());
    ASSERT_TRUE(waitForListing());
    EXPECT_EQ(shownNames(rows), QStringLiteral("trip.mov"));
}

} // namespace
