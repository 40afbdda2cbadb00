#include "ui/pages/search/FileSearchPage.h"
#include "core/scanners/FileSearchViewModel.h"
#include "core/sections/SectionTable.h"
#include "core/util/ByteCount.h"
#include "ui/ListArrangeSteps.h"
#include "ui/PageTest.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/ImmediateLongPress.h"
#include "ui/components/PlaceholderView.h"
#include "ui/components/SelectAllBar.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"
#include "ui/window/TitlebarFileSearch.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QToolButton>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;
using namespace Sweepora::Ui;

using FileSearchPageTest = Themed<>;

TEST_F(FileSearchPageTest, TheTitleBarDrivesASearchThePageCleansSortsFiltersAndTicksWhatIsShownAndASearchCanBeCancelled)
{
    grantHome();
    const QString big = m_tree->file(u"Documents/annual-report.pdf"_s, 60'000);
    m_tree->file(u"REPORTS.txt"_s, 2'000);
    m_tree->file(u"r-e-p-o-r-t.txt"_s, 2'000);
    ContentView content;
    MainWindow& window = content.window();
    showAt(window, 1000, 680);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    auto* page = qobject_cast<FileSearchPage*>(window.page(sectionId(SectionKey::fileSearch)));
    ASSERT_NE(page, nullptr);
    FileSearchViewModel& model = content.fileSearchModel();
    EXPECT_FALSE(page->actionButton()->isVisibleTo(page)); // no scan button: searches start up there
    const auto checker = checkModel(page->list()->model());

    TitlebarFileSearch* search = window.searchField();
    auto* field = search->findChild<QLineEdit*>(u"titlebarSearchField"_s);
    auto* toggle = search->findChild<QToolButton*>(u"titlebarSearchButton"_s);
    QTest::mouseClick(toggle, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return field->hasFocus(); }));
    QTest::keyClicks(field, u" Report "_s);
    Screenshots::save(&window, u"file-search-typing"_s);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(window.currentPage(), page);
    EXPECT_EQ(model.currentQuery(), u"Report"_s);
    EXPECT_TRUE(page->placeholder()->isBusy());
    Screenshots::save(&window, u"file-search-searching"_s);
    ASSERT_TRUE(waitUntil([&] { return model.state() == ScanState::scanned; }, 10000));

    FloatingActionButton* button = page->actionButton();
    ASSERT_TRUE(page->list()->isVisible());
    ASSERT_EQ(page->list()->model()->rowCount(), 2);
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->text(), u"删除 0 KB"_s);

    clickCheckbox(page->list(), 0);
    ASSERT_TRUE(model.results()[0].selected);
    EXPECT_EQ(button->text(), u"删除 "_s + formattedByteCount(model.results()[0].size));

    longPress(button, [&] { return button->longPress()->didTrigger(); });
    EXPECT_EQ(model.state(), ScanState::scanned); // the release cleaned nothing
    EXPECT_EQ(model.selectedSize(), model.results()[0].size + model.results()[1].size);
    Screenshots::save(&window, u"file-search-searched"_s);

    ASSERT_TRUE(clickAndWait(button, model));
    EXPECT_FALSE(QFileInfo::exists(big));
    EXPECT_EQ(window.selectedSection(), sectionId(SectionKey::fileSearch)); // hiding the button moved no focus
    EXPECT_TRUE(page->placeholder()->isVisible());
    EXPECT_EQ(page->placeholder()->symbolName(), u"doc.text.magnifyingglass"_s);
    EXPECT_EQ(page->placeholder()->title(), model.message());
    EXPECT_FALSE(button->isVisible());
    Screenshots::save(&window, u"file-search-cleaned"_s);

    // The hits sort and filter by name; 全选 ticks the hits shown, and a filter that hides every
    // row after the clean keeps the list and its field on screen.
    m_tree->file(u"Documents/annual-report.pdf"_s, 60'000);
    m_tree->file(u"Xreport.md"_s, 30'000);
    m_tree->file(u"REPORTS.txt"_s, 2'000);
    window.resize(MainWindow::kMinimumSize);
    window.setSelectedSection(sectionId(SectionKey::fileSearch));
    model.search(u"report"_s);
    ASSERT_TRUE(waitUntil([&] { return model.state() == ScanState::scanned; }, 10000));
    const auto names = [&] { return shownNames(page->list()->model(), FileItemRole::Path); };
    EXPECT_EQ(names(), u"annual-report.pdf,Xreport.md,REPORTS.txt"_s);
    chooseSort(page->arrangeControls(), "按名称");
    EXPECT_EQ(names(), u"annual-report.pdf,REPORTS.txt,Xreport.md"_s);
    typeFilter(page->arrangeControls(), "X");
    EXPECT_EQ(names(), u"REPORTS.txt,Xreport.md"_s);
    QSignalSpy resets(page->list()->model(), &QAbstractItemModel::modelReset);
    QTest::mouseClick(page->selectAllBar()->box(), Qt::LeftButton);
    EXPECT_EQ(model.selectedSize(), model.results()[1].size + model.results()[2].size);
    EXPECT_EQ(page->selectAllBar()->box()->checkState(), Qt::Checked);
    // Only the checkboxes changed: the rows stay (and with them the scroll position).
    EXPECT_EQ(resets.count(), 0);
    for (int row = 0; row < 2; ++row)
        EXPECT_EQ(page->list()->model()->index(row, 0).data(Qt::CheckStateRole), Qt::Checked);
    Screenshots::save(&window, u"file-search-filtered"_s);

    ASSERT_TRUE(clickAndWait(page->actionButton(), model));
    EXPECT_EQ(names(), QString());
    EXPECT_TRUE(page->list()->isVisible());
    EXPECT_EQ(page->arrangeControls()->filterField()->text(), u"X"_s);

    // A search shows what it walked and can be cancelled.
    for (int i = 0; i < 200; ++i)
        m_tree->file(u"deep/%1/report.txt"_s.arg(i), 10);
    model.search(u"report"_s);
    ASSERT_EQ(model.state(), ScanState::scanning);
    EXPECT_TRUE(page->placeholder()->subtitle().startsWith(u"已检查 "_s));
    ASSERT_TRUE(page->placeholder()->cancelButton()->isVisible());
    ASSERT_TRUE(clickAndWait(page->placeholder()->cancelButton(), model, 5000));
    EXPECT_TRUE(model.message().startsWith(u"搜索已取消"_s)) << model.message().toStdString();
    EXPECT_FALSE(page->placeholder()->cancelButton()->isVisible());
}
