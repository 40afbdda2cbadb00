#include "ui/pages/FileSearchPage.h"
#include "PageTest.h"
#include "scanners/FileSearchViewModel.h"
#include "support/Screenshots.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/ImmediateLongPress.h"
#include "ui/components/PlaceholderView.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"
#include "ui/window/TitlebarFileSearch.h"
#include "util/ByteCount.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Sweepora::Ui;

namespace {

using FileSearchPageTest = Themed<>;

} // namespace

TEST_F(FileSearchPageTest, TheTitleBarFieldDrivesASearchThenSelectAndCleanThroughThePage)
{
    grantHome();
    const QString big = m_tree->file(QStringLiteral("Documents/annual-report.pdf"), 60'000);
    m_tree->file(QStringLiteral("REPORTS.txt"), 2'000);
    m_tree->file(QStringLiteral("r-e-p-o-r-t.txt"), 2'000);
    ContentView content;
    MainWindow& window = content.window();
    window.resize(1000, 680);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    auto* page = qobject_cast<FileSearchPage*>(window.page(MainWindow::kFileSearchSection));
    ASSERT_NE(page, nullptr);
    FileSearchViewModel& model = content.fileSearchModel();
    EXPECT_FALSE(page->actionButton()->isVisibleTo(page)); // no scan button: searches start up there
    const auto checker = checkModel(page->list()->model());

    TitlebarFileSearch* search = window.searchField();
    auto* field = search->findChild<QLineEdit*>(QStringLiteral("titlebarSearchField"));
    auto* toggle = search->findChild<QToolButton*>(QStringLiteral("titlebarSearchButton"));
    QTest::mouseClick(toggle, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return field->hasFocus(); }));
    QTest::keyClicks(field, QStringLiteral(" Report "));
    Screenshots::save(&window, QStringLiteral("file-search-typing"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(window.currentPage(), page);
    EXPECT_EQ(model.currentQuery(), QStringLiteral("Report"));
    EXPECT_TRUE(page->placeholder()->isBusy());
    Screenshots::save(&window, QStringLiteral("file-search-searching"));
    ASSERT_TRUE(waitUntil([&] { return model.state() == FileSearchState::Searched; }, 10000));

    FloatingActionButton* button = page->actionButton();
    ASSERT_TRUE(page->list()->isVisible());
    ASSERT_EQ(page->list()->model()->rowCount(), 2);
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->text(), QStringLiteral("删除 0 KB"));

    clickCheckbox(page->list(), 0);
    ASSERT_TRUE(model.results()[0].selected);
    EXPECT_EQ(button->text(), QStringLiteral("删除 ") + formattedByteCount(model.results()[0].size));

    longPress(button, [&] { return button->longPress()->didTrigger(); });
    EXPECT_EQ(model.state(), FileSearchState::Searched); // the release cleaned nothing
    EXPECT_EQ(model.selectedSize(), model.results()[0].size + model.results()[1].size);
    Screenshots::save(&window, QStringLiteral("file-search-searched"));

    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return model.state() == FileSearchState::Searched; }, 10000));
    EXPECT_FALSE(QFileInfo::exists(big));
    EXPECT_EQ(window.selectedSection(), MainWindow::kFileSearchSection); // hiding the button moved no focus
    EXPECT_TRUE(page->placeholder()->isVisible());
    EXPECT_EQ(page->placeholder()->symbolName(), QStringLiteral("doc.text.magnifyingglass"));
    EXPECT_EQ(page->placeholder()->title(), model.message());
    EXPECT_FALSE(button->isVisible());
    Screenshots::save(&window, QStringLiteral("file-search-cleaned"));
}
