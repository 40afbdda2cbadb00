#include "ListArrangeSteps.h"
#include "PageTest.h"
#include "scanners/LargeFileViewModel.h"
#include "scanners/MiscFileCleanupViewModel.h"
#include "support/Screenshots.h"
#include "support/TrashFakes.h"
#include "support/TreeBuilder.h"
#include "trash/Trash.h"
#include "ui/components/CleanRunBar.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/PlaceholderView.h"
#include "ui/components/PathItemModel.h"
#include "ui/components/SelectAllBar.h"
#include "ui/pages/large/LargeFilePage.h"
#include "ui/pages/misc/MiscFileCleanupPage.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"
#include "util/ByteCount.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace Sweepora::Core;
using namespace Sweepora::Ui;
using namespace Sweepora::Test;

namespace {

class ScannerPages : public Themed<>
{
protected:
    void SetUp() override
    {
        Themed::SetUp();
        m_trash = std::make_shared<RecordingTrash>();
        Trash::setCurrent(m_trash);
    }
    // Allocated without writing, so a file past the smallest slider step costs nothing.
    QString allocatedFile(const QString& relative, qint64 bytes)
    {
        const QString path = m_tree->file(relative);
        const int fd = ::open(TreeBuilder::bytes(path).c_str(), O_WRONLY);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::posix_fallocate(fd, 0, bytes), 0);
        ::close(fd);
        return path;
    }
    std::shared_ptr<RecordingTrash> m_trash;
};

} // namespace

TEST_F(ScannerPages, LargeFilePageScansSelectsAndCleans)
{
    grantHome();
    const QString big = allocatedFile(QStringLiteral("Movies/big.mov"), 700LL << 20);
    const QString mid = allocatedFile(QStringLiteral("mid.iso"), 600LL << 20);
    allocatedFile(QStringLiteral("small.bin"), 100LL << 20);

    LargeFilePage page;
    const auto checker = checkModel(page.rows());
    showAt(page, 800, 560);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    FloatingActionButton* button = page.actionButton();
    Screenshots::save(&page, QStringLiteral("large-file-ready"));

    // The size card is always at hand, beside the button.
    EXPECT_TRUE(page.sizeCard()->isVisible());
    EXPECT_EQ(page.sizeLabel()->text(), QStringLiteral("1 GB"));
    page.slider()->setValue(page.slider()->minimum());
    EXPECT_EQ(page.minimumSizeGB(), 0.5);
    EXPECT_EQ(page.sizeLabel()->text(), QStringLiteral("500 MB"));
    page.slider()->setValue(page.slider()->maximum());
    page.slider()->setValue(page.slider()->minimum());
    EXPECT_LT(page.sizeCard()->geometry().right(), button->geometry().left());

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(button->isVisible());
    EXPECT_FALSE(page.sizeCard()->isVisible());
    EXPECT_TRUE(page.placeholder()->isBusy());
    EXPECT_EQ(page.placeholder()->title(), LargeFileEngine::scanMessage(0.5));
    ASSERT_TRUE(waitUntil([&] { return page.model().state() == ScanState::scanned; }, 20000));
    ASSERT_EQ(page.rows()->rowCount(), 2);
    EXPECT_TRUE(page.list()->isVisible());
    EXPECT_EQ(page.rows()->rows()[0].path, big);
    EXPECT_EQ(button->text(), QStringLiteral("删除 0 KB"));
    // Nothing ticked: the clean cannot be started, a new scan can.
    SelectAllBar* bar = page.selectAllBar();
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(bar->box()->checkState(), Qt::Unchecked);
    EXPECT_TRUE(bar->rescanButton()->isVisible());
    // The list ends above the button, so the last row can always be reached.
    EXPECT_LE(page.list()->mapTo(&page, QPoint(0, page.list()->height())).y(), button->geometry().top());
    Screenshots::save(&page, QStringLiteral("large-file-scanned"));

    clickCheckbox(page.list(), 1);
    EXPECT_TRUE(page.model().files()[1].selected);
    const qint64 second = page.model().files()[1].size;
    EXPECT_EQ(button->text(), QStringLiteral("删除 ") + formattedByteCount(second));
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(bar->box()->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(bar->summary()->text(), QStringLiteral("已选 1/2 项 · ") + formattedByteCount(second));
    clickCheckbox(page.list(), 1);

    // Long presses tick all, then clear all; the release that ends each starts no clean.
    longPress(button, [&] {
        return page.model().selectedSize() == page.model().files()[0].size + page.model().files()[1].size;
    });
    longPress(button, [&] { return page.model().selectedSize() == 0; });
    EXPECT_TRUE(m_trash->requests().isEmpty());
    clickCheckbox(page.list(), 0);
    clickCheckbox(page.list(), 1);
    Screenshots::save(&page, QStringLiteral("large-file-selected"));

    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return page.model().state() == ScanState::scanned; }, 20000));
    EXPECT_EQ(m_trash->requests(), (QStringList{big, mid}));
    EXPECT_EQ(page.rows()->rowCount(), 0);
    EXPECT_EQ(page.placeholder()->title(), page.model().message());
    EXPECT_EQ(button->text(), QStringLiteral("开始扫描"));
    EXPECT_TRUE(button->isEnabled());
    Screenshots::save(&page, QStringLiteral("large-file-cleaned"));
}

TEST_F(ScannerPages, MiscFilePageScansSelectsAndCleans)
{
    grantHome();
    const QString log = m_tree->file(QStringLiteral("Logs/debug.log"), 9000);
    const QString cache = m_tree->file(QStringLiteral("app.cache"), 3000);
    if (!TreeBuilder::birthTimeRecorded(log))
        GTEST_SKIP() << "this file system records no birth times";

    MiscFileCleanupViewModel model(MiscFileCategory::miscellaneous);
    MiscFileCleanupPage page(model);
    const auto checker = checkModel(page.rows());
    showAt(page, 800, 560);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    FloatingActionButton* button = page.actionButton();
    Screenshots::save(&page, QStringLiteral("misc-files-ready"));

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(page.placeholder()->isBusy());
    ASSERT_TRUE(waitUntil([&] { return model.state() == ScanState::scanned; }, 20000));
    ASSERT_EQ(page.rows()->rowCount(), 2);
    const PathItemModel::Row first = page.rows()->rows()[0];
    EXPECT_EQ(first.path, log);
    EXPECT_EQ(first.symbol, QStringLiteral("doc.text"));
    EXPECT_TRUE(first.detail.startsWith(QStringLiteral("创建于 "))) << first.detail.toStdString();
    EXPECT_TRUE(first.detail.endsWith(QStringLiteral("1天前"))) << first.detail.toStdString();
    EXPECT_EQ(page.rows()->rows()[1].symbol, QStringLiteral("doc")) << "a cache file is no archive";
    EXPECT_EQ(button->text(), QStringLiteral("删除 0 KB"));
    Screenshots::save(&page, QStringLiteral("misc-files-scanned"));

    clickCheckbox(page.list(), 1);
    EXPECT_TRUE(model.files()[1].selected);
    Screenshots::save(&page, QStringLiteral("misc-files-selected"));
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return model.state() == ScanState::scanned; }, 20000));
    EXPECT_EQ(m_trash->requests(), QStringList{cache});
    ASSERT_EQ(page.rows()->rowCount(), 1);
    Screenshots::save(&page, QStringLiteral("misc-files-cleaned"));

    // Long press ticks the rest; it does not clean.
    longPress(button, [&] { return model.files()[0].selected; });
    EXPECT_EQ(m_trash->requests().size(), 1);

    // An item that stays is reported with the reason, behind 查看.
    auto failing = std::make_shared<FailingTrash>(m_trash);
    failing->failPath(log, QStringLiteral("设备忙"));
    Trash::setCurrent(failing);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return model.state() == ScanState::scanned; }, 20000));
    auto* report = page.findChild<CleanRunBar*>();
    ASSERT_NE(report, nullptr);
    ASSERT_TRUE(report->failuresButton()->isVisible());
    EXPECT_FALSE(report->undoButton()->isVisible()) << "nothing moved, nothing to undo";
    Screenshots::save(&page, QStringLiteral("misc-files-failed"));
    QTest::mouseClick(report->failuresButton(), Qt::LeftButton);
    auto* dialog = page.window()->findChild<QDialog*>(QStringLiteral("cleanFailuresDialog"));
    ASSERT_NE(dialog, nullptr);
    auto* list = dialog->findChild<QListWidget*>(QStringLiteral("cleanFailuresList"));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), log + QStringLiteral("\n设备忙"));
    Screenshots::save(dialog, QStringLiteral("clean-failures"));
    dialog->reject();
}

// Both scanning pages show what the walk has checked, and a cancel stops it at its next folder;
// what was found by then stays a list like any other.
TEST_F(ScannerPages, APageOffersTheHomeGrantAScanShowsWhatItWalkedAndACancelStopsItAndKeepsWhatItFound)
{
    // A page that needs the home grant offers it, and the wrong folder is named.
    LargeFilePage page;
    showAt(page, 800, 560);
    QTest::mouseClick(page.actionButton(), Qt::LeftButton);
    PlaceholderView* placeholder = page.placeholder();
    ASSERT_EQ(placeholder->title(), QStringLiteral("请先授权个人文件夹"));
    ASSERT_TRUE(placeholder->grantButton()->isVisible());
    Screenshots::save(&page, QStringLiteral("large-file-needs-grant"));

    // The wrong folder first: the picker comes back naming the folder it needs.
    m_picker->answerWith(makeFolder(QStringLiteral("elsewhere")));
    m_picker->answerWith(home());
    QTest::mouseClick(placeholder->grantButton(), Qt::LeftButton);
    ASSERT_EQ(m_picker->requests().size(), 2);
    EXPECT_TRUE(m_picker->requests()[1].message.contains(home()));
    EXPECT_EQ(placeholder->title(), QStringLiteral("已获得个人文件夹授权，可以开始扫描"));
    EXPECT_FALSE(placeholder->grantButton()->isVisible());
    QTest::mouseClick(page.actionButton(), Qt::LeftButton);
    EXPECT_EQ(page.model().state(), ScanState::scanning);
    ASSERT_TRUE(waitUntil([&] { return page.model().state() == ScanState::scanned; }, 20000));
    for (int i = 0; i < 200; ++i)
        m_tree->file(QStringLiteral("deep/%1/run.log").arg(i), 10);
    const QString big = allocatedFile(QStringLiteral("big.iso"), 600LL << 20);
    const auto cancel = [&](auto& page, const QString& shot) {
        showAt(page, 800, 560);
        QTest::mouseClick(page.actionButton(), Qt::LeftButton);
        ASSERT_EQ(page.model().state(), ScanState::scanning);
        EXPECT_TRUE(page.placeholder()->subtitle().startsWith(QStringLiteral("已检查 ")))
            << page.placeholder()->subtitle().toStdString();
        ASSERT_TRUE(page.placeholder()->cancelButton()->isVisible());
        Screenshots::save(&page, shot);
        QElapsedTimer stopping;
        stopping.start();
        QTest::mouseClick(page.placeholder()->cancelButton(), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return page.model().state() == ScanState::scanned; }, 5000));
        EXPECT_LT(stopping.elapsed(), 1000) << "the walk stops at its next folder";
        EXPECT_TRUE(page.model().message().startsWith(QStringLiteral("扫描已取消")))
            << page.model().message().toStdString();
        EXPECT_FALSE(page.placeholder()->cancelButton()->isVisible());
    };
    LargeFilePage large;
    large.slider()->setValue(large.slider()->minimum());
    cancel(large, QStringLiteral("large-file-scanning"));
    for (const LargeFileItem& item : large.model().files())
        EXPECT_EQ(item.path, big);
    MiscFileCleanupViewModel model(MiscFileCategory::miscellaneous);
    MiscFileCleanupPage misc(model);
    cancel(misc, QStringLiteral("misc-files-scanning"));
}

// The list sorts and filters what it shows; 全选 and Space act on the rows shown while the count is
// of everything ticked (a clean moves that), and the choice outlives a clean and a rescan.
TEST_F(ScannerPages, TheWindowKeepsOneMiscModelPerCategoryAndTheLargeFileListSortsFiltersAndTicksWhatItShows)
{
    grantHome();
    allocatedFile(QStringLiteral("zed.iso"), 540LL << 20);
    const QString alpha = allocatedFile(QStringLiteral("Alpha.mov"), 520LL << 20);
    const QString beta = allocatedFile(QStringLiteral("beta.mov"), 530LL << 20);
    ContentView content;
    // The window keeps one misc model per category.
    const struct
    {
        const char* section;
        MiscFileCleanupViewModel* model;
        MiscFileCategory category;
    } pages[] = {
        {"闲杂文件", &content.miscFileModel(), MiscFileCategory::miscellaneous},
        {"压缩包清理", &content.archiveModel(), MiscFileCategory::archives},
        {"安装包清理", &content.installerModel(), MiscFileCategory::installers},
    };
    for (const auto& p : pages) {
        auto* page = qobject_cast<MiscFileCleanupPage*>(content.window().page(QString::fromUtf8(p.section)));
        ASSERT_NE(page, nullptr) << p.section;
        EXPECT_EQ(&page->model(), p.model);
        EXPECT_EQ(p.model->category(), p.category);
    }
    content.window().resize(MainWindow::kMinimumSize);
    content.window().setSelectedSection(QStringLiteral("大文件清理"));
    content.window().show();
    auto* page = content.window().findChild<LargeFilePage*>();
    page->slider()->setValue(page->slider()->minimum());
    QTest::mouseClick(page->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return page->model().state() == ScanState::scanned; }, 20000));
    const auto names = [&] { return shownNames(page->rows(), FileItemRole::Path); };
    EXPECT_EQ(names(), QStringLiteral("zed.iso,beta.mov,Alpha.mov"));
    ListArrangeControls* controls = page->arrangeControls();
    page->selectAllBar()->box()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), controls->filterField()) << "Tab goes along the bar as it reads";
    chooseSort(controls, "按名称");
    EXPECT_EQ(names(), QStringLiteral("Alpha.mov,beta.mov,zed.iso"));
    typeFilter(controls, "MOV");
    EXPECT_EQ(names(), QStringLiteral("Alpha.mov,beta.mov"));

    SelectAllBar* bar = page->selectAllBar();
    QTest::mouseClick(bar->box(), Qt::LeftButton);
    EXPECT_EQ(bar->box()->checkState(), Qt::Checked);
    EXPECT_EQ(bar->summary()->text(),
              QStringLiteral("已选 2/3 项 · ") + formattedByteCount(page->model().selectedSize()));
    EXPECT_LE(bar->minimumSizeHint().width(), bar->width()) << "the controls fit beside the summary";
    Screenshots::save(&content.window(), QStringLiteral("large-file-filtered"));
    typeFilter(controls, "zed");
    EXPECT_EQ(bar->box()->checkState(), Qt::Unchecked);
    EXPECT_TRUE(bar->summary()->text().startsWith(QStringLiteral("已选 2/3 项")));
    QTest::keyClick(page->list(), Qt::Key_Space);
    EXPECT_EQ(bar->box()->checkState(), Qt::Checked);
    QTest::keyClick(page->list(), Qt::Key_Space);

    QTest::mouseClick(page->actionButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return page->model().state() == ScanState::scanned; }, 20000));
    EXPECT_EQ(m_trash->requests(), (QStringList{beta, alpha}));
    EXPECT_EQ(names(), QStringLiteral("zed.iso"));
    QTest::mouseClick(bar->rescanButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return page->model().state() == ScanState::scanned; }, 20000));
    EXPECT_EQ(controls->filterField()->text(), QStringLiteral("zed"));
    EXPECT_EQ(names(), QStringLiteral("zed.iso"));
}
