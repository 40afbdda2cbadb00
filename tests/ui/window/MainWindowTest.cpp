#include "ui/window/MainWindow.h"
#include "core/sections/SectionTable.h"
#include "ui/PageTest.h"
#include "ui/style/Symbols.h"
#include "ui/window/PageHeader.h"
#include "ui/window/Sidebar.h"
#include "ui/window/TitlebarFileSearch.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QToolButton>
#include <QWheelEvent>

using namespace Sweepora::Ui;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

// A page that counts the wheel events that reach it (the observer must not eat them).
class WheelCountingPage : public QWidget
{
public:
    int wheels = 0;

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        ++wheels;
        event->accept();
    }
};

// Sends one wheel event to `target` at its centre.
void wheel(QWidget* target, QPoint angleDelta, QPoint pixelDelta = {})
{
    const QPointF local = QRectF(target->rect()).center();
    QWheelEvent event(local, target->mapToGlobal(local), pixelDelta, angleDelta, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

class MainWindowTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        window = std::make_unique<MainWindow>();
        window->resize(1100, 720);
    }
    QLabel* title() const { return window->findChild<QLabel*>(u"headerTitle"_s); }
    QLabel* subtitle() const { return window->findChild<QLabel*>(u"headerSubtitle"_s); }
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST_F(MainWindowTest, SidebarListsTheSectionsInOrderClickingARowShowsItsHeaderAndPagesAreRegisteredPerSection)
{
    Sidebar* sidebar = window->sidebar();
    EXPECT_EQ(sidebar->sectionIds().size(), Sweepora::Core::sidebarSections().size());
    EXPECT_EQ(sidebar->dividerRows(), (QList<int>{9, 12, 14}));
    for (const Sweepora::Core::Section& s : Sweepora::Core::sidebarSections())
        EXPECT_TRUE(Symbols::contains(s.symbol)) << s.symbol.toStdString();
    EXPECT_EQ(sidebar->selectedSection(), u"快速清理"_s);
    EXPECT_FALSE(sidebar->findChild<QWidget*>(u"accountItem"_s)->isVisibleTo(sidebar));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    Screenshots::save(window.get(), u"main-window"_s);

    auto* list = window->findChild<QListWidget*>(u"sidebarList"_s);
    QSignalSpy changed(window.get(), &MainWindow::selectedSectionChanged);
    // Row 9 of the widget list is 卸载应用: the divider after row 8 is an item too.
    QListWidgetItem* item = list->findItems(u"卸载应用"_s, Qt::MatchExactly).value(0);
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());

    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), u"卸载应用"_s);
    EXPECT_EQ(title()->text(), u"卸载应用"_s);

    // A divider is not a section.
    QListWidgetItem* divider = list->item(list->row(item) - 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(divider).center());
    EXPECT_EQ(window->selectedSection(), u"卸载应用"_s);
    Screenshots::save(window.get(), u"main-window-uninstaller-selected"_s);

    // Sections outside the sidebar have headers too; an unknown one gets the general line.
    window->setSelectedSection(u"不存在的分区"_s);
    EXPECT_EQ(title()->text(), u"不存在的分区"_s);
    EXPECT_EQ(subtitle()->text(), u"扫描并管理电脑中可安全处理的文件"_s);

    // The window opens at its size, but fits the screen and never goes below the minimum.
    EXPECT_EQ(MainWindow::initialSize(QSize(2560, 1400)), QSize(1100, 720));
    EXPECT_EQ(MainWindow::initialSize(QSize(1280, 760)), QSize(1100, 684)); // 90 % of a short screen
    EXPECT_EQ(MainWindow::initialSize(QSize(800, 500)), MainWindow::kMinimumSize);
    EXPECT_EQ(MainWindow::initialSize(QSize()), QSize(1100, 720));

    // Pages are registered per section, with empty pages otherwise and the editor panel beside.
    EXPECT_EQ(window->currentPage()->objectName(), u"emptyPage"_s);

    auto* rules = new QLabel(u"rules"_s);
    window->setPage(u"常规清理"_s, rules);
    EXPECT_EQ(window->currentPage()->objectName(), u"emptyPage"_s);
    window->setSelectedSection(u"常规清理"_s);
    EXPECT_EQ(window->currentPage(), rules);

    // Registering the page of the shown section shows it at once and lets the old one go.
    QPointer<QWidget> old = rules;
    auto* replacement = new QLabel(u"rules 2"_s);
    window->setPage(u"常规清理"_s, replacement);
    EXPECT_EQ(window->currentPage(), replacement);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());

    // Switching away and back keeps the same page object.
    window->setSelectedSection(u"关于"_s);
    window->setSelectedSection(u"常规清理"_s);
    EXPECT_EQ(window->currentPage(), replacement);

    // An editor panel sits beside the page until removed.
    auto* panel = new QLabel(u"editor"_s);
    panel->setFixedWidth(320);
    window->setEditorPanel(panel);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    ASSERT_TRUE(waitUntil([&] { return panel->isVisible(); }));
    const QRect pageRect(replacement->mapTo(window.get(), QPoint()), replacement->size());
    const QRect panelRect(panel->mapTo(window.get(), QPoint()), panel->size());
    EXPECT_GE(panelRect.left(), pageRect.right());
    EXPECT_EQ(panelRect.top(), pageRect.top());
    Screenshots::save(window.get(), u"main-window-editor-panel"_s);

    QPointer<QWidget> guard = panel;
    window->setEditorPanel(nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(MainWindowTest, ScrollingCollapsesTheHeaderAndTheSearchFieldSubmitsTrimmedQueriesToFileSearch)
{
    auto* page = new WheelCountingPage;
    window->setPage(u"快速清理"_s, page);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_EQ(title()->font().pixelSize(), 28);
    QSignalSpy collapsed(window->header(), &PageHeader::collapsedChanged);

    // Sideways, tiny or sidebar scrolls leave the header alone.
    wheel(page, QPoint(-120, -60));                // mostly sideways
    wheel(page, QPoint(0, -8));                    // one degree of a high-resolution wheel
    wheel(page, QPoint(0, -30), QPoint(0, -1));    // a touchpad's single pixel
    wheel(page, QPoint(-15, -15), QPoint(-1, -1)); // diagonal: vertical does not exceed horizontal
    wheel(page, QPoint(0, -120), QPoint(0, 1));    // pixels win over angles
    wheel(window->findChild<QListWidget*>(u"sidebarList"_s)->viewport(), QPoint(0, -120));
    EXPECT_EQ(collapsed.count(), 0);
    EXPECT_FALSE(window->isHeaderCollapsed());
    EXPECT_EQ(page->wheels, 5);

    wheel(page, QPoint(0, -9)); // 1.125 degrees: just past the threshold
    EXPECT_TRUE(window->isHeaderCollapsed());
    ASSERT_TRUE(waitUntil([&] { return title()->font().pixelSize() == 18; }));
    ASSERT_TRUE(waitUntil([&] { return !subtitle()->isVisible(); }));
    EXPECT_EQ(page->wheels, 6); // passed on unchanged
    Screenshots::save(window.get(), u"main-window-header-collapsed"_s);

    // A touchpad reports pixels.
    wheel(page, QPoint(0, 30), QPoint(0, 12));
    EXPECT_FALSE(window->isHeaderCollapsed());
    ASSERT_TRUE(waitUntil([&] { return title()->font().pixelSize() == 28; }));
    ASSERT_TRUE(waitUntil([&] { return subtitle()->isVisible(); }));

    // Another section opens with its header expanded.
    wheel(page, QPoint(0, -120));
    ASSERT_TRUE(window->isHeaderCollapsed());
    window->setSelectedSection(u"大文件清理"_s);
    EXPECT_FALSE(window->isHeaderCollapsed());

    // The title bar search field submits trimmed queries and switches to 文件搜索.
    TitlebarFileSearch* search = window->searchField();
    auto* field = search->findChild<QLineEdit*>(u"titlebarSearchField"_s);
    auto* button = search->findChild<QToolButton*>(u"titlebarSearchButton"_s);
    QSignalSpy submitted(window.get(), &MainWindow::fileSearchSubmitted);
    EXPECT_FALSE(search->isExpanded());
    button->click();
    EXPECT_TRUE(search->isExpanded());
    ASSERT_TRUE(waitUntil([&] { return field->hasFocus(); }));

    // A blank query keeps the field open and does nothing.
    QTest::keyClicks(field, u"   "_s);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(search->isExpanded());
    EXPECT_EQ(submitted.count(), 0);
    EXPECT_EQ(window->selectedSection(), u"大文件清理"_s);

    field->setText(u"  季度报告.pdf \n"_s);
    ASSERT_TRUE(waitUntil([&] { return field->width() == TitlebarFileSearch::kFieldWidth; }));
    Screenshots::save(window.get(), u"main-window-search-open"_s);
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_EQ(submitted.count(), 1);
    EXPECT_EQ(submitted.at(0).at(0).toString(), u"季度报告.pdf"_s);
    EXPECT_EQ(window->selectedSection(), u"文件搜索"_s);
    EXPECT_FALSE(search->isExpanded());
    EXPECT_EQ(window->fileSearchQuery(), u"  季度报告.pdf \n"_s); // kept for next time
    // The page's header names what was searched for, also after a visit elsewhere.
    EXPECT_TRUE(window->header()->subtitle().contains(u"季度报告.pdf"_s));
    window->setSelectedSection(u"大文件清理"_s);
    window->setSelectedSection(u"文件搜索"_s);
    EXPECT_TRUE(window->header()->subtitle().contains(u"季度报告.pdf"_s));

    // The button submits a non-blank query, and closes a blank field.
    button->click();
    button->click();
    EXPECT_EQ(submitted.count(), 2);
    field->clear();
    button->click();
    EXPECT_TRUE(search->isExpanded());
    button->click();
    EXPECT_FALSE(search->isExpanded());
    EXPECT_EQ(submitted.count(), 2);

    // Ctrl+F opens the field with the cursor in it.
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(search->isExpanded());
    ASSERT_TRUE(waitUntil([&] { return field->hasFocus(); }));

    // A section outside the sidebar stays shown when the sidebar gains focus (a page that hides its
    // focused button hands focus on).
    window->setSelectedSection(u"文件搜索"_s);
    window->sidebar()->findChild<QListWidget*>()->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->selectedSection(), u"文件搜索"_s);
}
