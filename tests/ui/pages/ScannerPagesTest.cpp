#include "core/scanners/LargeFileViewModel.h"
#include "core/scanners/MiscFileCleanupViewModel.h"
#include "core/trash/Trash.h"
#include "core/util/ByteCount.h"
#include "support/TrashFakes.h"
#include "ui/ListArrangeSteps.h"
#include "ui/PageTest.h"
#include "ui/components/CleanRunBar.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/PathItemModel.h"
#include "ui/components/PlaceholderView.h"
#include "ui/components/SelectAllBar.h"
#include "ui/pages/large/LargeFilePage.h"
#include "ui/pages/misc/MiscFileCleanupPage.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"

#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>

#include <fcntl.h>
#include <unistd.h>

using namespace Sweepora::Core;
using namespace Sweepora::Ui;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

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
    const QString big = allocatedFile(u"Movies/big.mov"_s, 700LL << 20);
    const QString mid = allocatedFile(u"mid.iso"_s, 600LL << 20);
    allocatedFile(u"small.bin"_s, 100LL << 20);

    LargeFilePage page;
    const auto checker = checkModel(page.rows());
    showAt(page, 800, 560);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    FloatingActionButton* button = page.actionButton();
    Screenshots::save(&page, u"large-file-ready"_s);

    // The size card is always at hand, beside the button.
    EXPECT_TRUE(page.sizeCard()->isVisible());
    EXPECT_EQ(page.sizeLabel()->text(), u"1 GB"_s);
    page.slider()->setValue(page.slider()->minimum());
    EXPECT_EQ(page.minimumSizeGB(), 0.5);
    EXPECT_EQ(page.sizeLabel()->text(), u"500 MB"_s);
    page.slider()->setValue(page.slider()->maximum());
    page.slider()->setValue(page.slider()->minimum());
    EXPECT_LT(page.sizeCard()->geometry().right(), button->geometry().left());

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(button->isVisible());
    EXPECT_FALSE(page.sizeCard()->isVisible());
    EXPECT_TRUE(page.placeholder()->isBusy());
    EXPECT_EQ(page.placeholder()->title(), u"正在查找大于 500 MB 的文件…"_s);
    ASSERT_TRUE(waitUntil([&] { return page.model().state() == ScanState::scanned; }, 20000));
    ASSERT_EQ(page.rows()->rowCount(), 2);
    EXPECT_TRUE(page.list()->isVisible());
    EXPECT_EQ(page.rows()->rows()[0].path, big);
    EXPECT_EQ(button->text(), u"删除 0 KB"_s);
    // Nothing ticked: the clean cannot be started, a new scan can.
    SelectAllBar* bar = page.selectAllBar();
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(bar->box()->checkState(), Qt::Unchecked);
    EXPECT_TRUE(bar->rescanButton()->isVisible());
    // The list ends above the button, so the last row can always be reached.
    EXPECT_LE(page.list()->mapTo(&page, QPoint(0, page.list()->height())).y(), button->geometry().top());
    Screenshots::save(&page, u"large-file-scanned"_s);

    clickCheckbox(page.list(), 1);
    const qint64 second = page.model().files()[1].size;
    EXPECT_EQ(button->text(), u"删除 "_s + formattedByteCount(second));
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(bar->box()->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(bar->summary()->text(), u"已选 1/2 项 · "_s + formattedByteCount(second));
    clickCheckbox(page.list(), 1);

    // A long press ticks all; the release that ends it starts no clean.
    longPress(button, [&] {
        return page.model().selectedSize() == page.model().files()[0].size + page.model().files()[1].size;
    });
    EXPECT_EQ(page.model().state(), ScanState::scanned);
    Screenshots::save(&page, u"large-file-selected"_s);

    ASSERT_TRUE(clickAndWait(button, page.model()));
    EXPECT_EQ(m_trash->requests(), (QStringList{big, mid}));
    EXPECT_EQ(page.rows()->rowCount(), 0);
    EXPECT_EQ(page.placeholder()->title(), page.model().message());
    EXPECT_EQ(button->text(), u"开始扫描"_s);
    EXPECT_TRUE(button->isEnabled());
    Screenshots::save(&page, u"large-file-cleaned"_s);
}

TEST_F(ScannerPages, MiscFilePageScansSelectsAndCleans)
{
    grantHome();
    const QString log = m_tree->file(u"Logs/debug.log"_s, 9000);
    const QString cache = m_tree->file(u"app.cache"_s, 3000);
    if (!TreeBuilder::birthTimeRecorded(log))
        GTEST_SKIP() << "this file system records no birth times";

    MiscFileCleanupViewModel model(MiscFileCategory::miscellaneous);
    MiscFileCleanupPage page(model);
    const auto checker = checkModel(page.rows());
    showAt(page, 800, 560);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    FloatingActionButton* button = page.actionButton();
    Screenshots::save(&page, u"misc-files-ready"_s);

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(page.placeholder()->isBusy());
    ASSERT_TRUE(waitUntil([&] { return model.state() == ScanState::scanned; }, 20000));
    ASSERT_EQ(page.rows()->rowCount(), 2);
    const PathItemModel::Row first = page.rows()->rows()[0];
    EXPECT_EQ(first.path, log);
    EXPECT_EQ(first.symbol, u"doc.text"_s);
    EXPECT_TRUE(first.detail.startsWith(u"创建于 "_s)) << first.detail.toStdString();
    EXPECT_TRUE(first.detail.endsWith(u"1天前"_s)) << first.detail.toStdString();
    EXPECT_EQ(page.rows()->rows()[1].symbol, u"doc"_s) << "a cache file is no archive";
    EXPECT_EQ(button->text(), u"删除 0 KB"_s);
    Screenshots::save(&page, u"misc-files-scanned"_s);

    clickCheckbox(page.list(), 1);
    Screenshots::save(&page, u"misc-files-selected"_s);
    ASSERT_TRUE(clickAndWait(button, model));
    EXPECT_EQ(m_trash->requests(), QStringList{cache});
    ASSERT_EQ(page.rows()->rowCount(), 1);
    Screenshots::save(&page, u"misc-files-cleaned"_s);

    // Long press ticks the rest; it does not clean.
    longPress(button, [&] { return model.files()[0].selected; });
    EXPECT_EQ(m_trash->requests().size(), 1);

    // An item that stays is reported with the reason, behind 查看.
    auto failing = std::make_shared<FailingTrash>(m_trash);
    failing->failPath(log, u"设备忙"_s);
    Trash::setCurrent(failing);
    ASSERT_TRUE(clickAndWait(button, model));
    auto* report = page.findChild<CleanRunBar*>();
    ASSERT_NE(report, nullptr);
    ASSERT_TRUE(report->failuresButton()->isVisible());
    EXPECT_FALSE(report->undoButton()->isVisible()) << "nothing moved, nothing to undo";
    Screenshots::save(&page, u"misc-files-failed"_s);
    QTest::mouseClick(report->failuresButton(), Qt::LeftButton);
    auto* dialog = page.window()->findChild<QDialog*>(u"cleanFailuresDialog"_s);
    ASSERT_NE(dialog, nullptr);
    auto* list = dialog->findChild<QListWidget*>(u"cleanFailuresList"_s);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), log + u"\n设备忙"_s);
    Screenshots::save(dialog, u"clean-failures"_s);
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
    ASSERT_EQ(placeholder->title(), u"请先授权个人文件夹"_s);
    ASSERT_TRUE(placeholder->grantButton()->isVisible());
    Screenshots::save(&page, u"large-file-needs-grant"_s);

    // The wrong folder first: the picker comes back naming the folder it needs.
    m_picker->answerWith(makeFolder(u"elsewhere"_s));
    m_picker->answerWith(home());
    QTest::mouseClick(placeholder->grantButton(), Qt::LeftButton);
    ASSERT_EQ(m_picker->requests().size(), 2);
    EXPECT_TRUE(m_picker->requests()[1].message.contains(home()));
    EXPECT_EQ(placeholder->title(), u"已获得个人文件夹授权，可以开始扫描"_s);
    EXPECT_FALSE(placeholder->grantButton()->isVisible());
    for (int i = 0; i < 200; ++i)
        m_tree->file(u"deep/%1/run.log"_s.arg(i), 10);
    const QString big = allocatedFile(u"big.iso"_s, 600LL << 20);
    const auto cancel = [&](auto& page, const QString& shot) {
        showAt(page, 800, 560);
        QTest::mouseClick(page.actionButton(), Qt::LeftButton);
        ASSERT_EQ(page.model().state(), ScanState::scanning);
        EXPECT_TRUE(page.placeholder()->subtitle().startsWith(u"已检查 "_s))
            << page.placeholder()->subtitle().toStdString();
        ASSERT_TRUE(page.placeholder()->cancelButton()->isVisible());
        Screenshots::save(&page, shot);
        QElapsedTimer stopping;
        stopping.start();
        ASSERT_TRUE(clickAndWait(page.placeholder()->cancelButton(), page.model(), 5000));
        EXPECT_LT(stopping.elapsed(), 1000) << "the walk stops at its next folder";
        EXPECT_TRUE(page.model().message().startsWith(u"扫描已取消"_s)) << page.model().message().toStdString();
        EXPECT_FALSE(page.placeholder()->cancelButton()->isVisible());
    };
    page.slider()->setValue(page.slider()->minimum());
    cancel(page, u"large-file-scanning"_s);
    for (const LargeFileItem& item : page.model().files())
        EXPECT_EQ(item.path, big);
    MiscFileCleanupViewModel model(MiscFileCategory::miscellaneous);
    MiscFileCleanupPage misc(model);
    cancel(misc, u"misc-files-scanning"_s);
}

// The list sorts and filters what it shows; 全选 and Space act on the rows shown while the count is
// of everything ticked (a clean moves that), and the choice outlives a clean and a rescan.
TEST_F(ScannerPages, TheWindowKeepsOneMiscModelPerCategoryAndTheLargeFileListSortsFiltersAndTicksWhatItShows)
{
    grantHome();
    allocatedFile(u"zed.iso"_s, 540LL << 20);
    const QString alpha = allocatedFile(u"Alpha.mov"_s, 520LL << 20);
    const QString beta = allocatedFile(u"beta.mov"_s, 530LL << 20);
    ContentView content;
    // The window keeps one misc model per category.
    const std::tuple<const char*, MiscFileCleanupViewModel*, MiscFileCategory> pages[] = {
        {"闲杂文件", &content.miscFileModel(), MiscFileCategory::miscellaneous},
        {"压缩包清理", &content.archiveModel(), MiscFileCategory::archives},
        {"安装包清理", &content.installerModel(), MiscFileCategory::installers},
    };
    for (const auto& [section, model, category] : pages) {
        auto* page = qobject_cast<MiscFileCleanupPage*>(content.window().page(QString::fromUtf8(section)));
        ASSERT_NE(page, nullptr) << section;
        EXPECT_EQ(&page->model(), model);
        EXPECT_EQ(model->category(), category);
    }
    content.window().resize(MainWindow::kMinimumSize);
    content.window().setSelectedSection(u"大文件清理"_s);
    content.window().show();
    auto* page = content.window().findChild<LargeFilePage*>();
    page->slider()->setValue(page->slider()->minimum());
    ASSERT_TRUE(clickAndWait(page->actionButton(), page->model()));
    const auto names = [&] { return shownNames(page->rows(), FileItemRole::Path); };
    EXPECT_EQ(names(), u"zed.iso,beta.mov,Alpha.mov"_s);
    ListArrangeControls* controls = page->arrangeControls();
    page->selectAllBar()->box()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), controls->filterField()) << "Tab goes along the bar as it reads";
    chooseSort(controls, "按名称");
    EXPECT_EQ(names(), u"Alpha.mov,beta.mov,zed.iso"_s);
    typeFilter(controls, "MOV");
    EXPECT_EQ(names(), u"Alpha.mov,beta.mov"_s);

    SelectAllBar* bar = page->selectAllBar();
    QTest::mouseClick(bar->box(), Qt::LeftButton);
    EXPECT_EQ(bar->box()->checkState(), Qt::Checked);
    EXPECT_EQ(bar->summary()->text(), u"已选 2/3 项 · "_s + formattedByteCount(page->model().selectedSize()));
    EXPECT_LE(bar->minimumSizeHint().width(), bar->width()) << "the controls fit beside the summary";
    Screenshots::save(&content.window(), u"large-file-filtered"_s);
    typeFilter(controls, "zed");
    EXPECT_EQ(bar->box()->checkState(), Qt::Unchecked);
    EXPECT_TRUE(bar->summary()->text().startsWith(u"已选 2/3 项"_s));
    QTest::keyClick(page->list(), Qt::Key_Space);
    EXPECT_EQ(bar->box()->checkState(), Qt::Checked);
    QTest::keyClick(page->list(), Qt::Key_Space);

    ASSERT_TRUE(clickAndWait(page->actionButton(), page->model()));
    EXPECT_EQ(m_trash->requests(), (QStringList{beta, alpha}));
    EXPECT_EQ(names(), u"zed.iso"_s);
    ASSERT_TRUE(clickAndWait(bar->rescanButton(), page->model()));
    EXPECT_EQ(controls->filterField()->text(), u"zed"_s);
    EXPECT_EQ(names(), u"zed.iso"_s);
}
