#include "ui/pages/rules/TaskCleanPage.h"
#include "core/rules/CleanupViewModel.h"
#include "ui/WindowFixture.h"
#include "ui/components/CleanupRow.h"
#include "ui/components/EmptyState.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/ScanFileModel.h"
#include "ui/components/ScanFilePanel.h"
#include "ui/components/ScanProgressCard.h"
#include "ui/components/SelectAllBar.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

using namespace Sweepora;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;
using Core::ScanState;

namespace {

class TaskCleanPageTest : public WindowFixture
{
protected:
    Ui::TaskCleanPage* openPage()
    {
        storeHomeGrant(home());
        launch();
        content->window().setSelectedSection(u"常规清理"_s);
        return qobject_cast<Ui::TaskCleanPage*>(content->window().currentPage());
    }
    ScanState state() const { return content->taskCleanModel().state(); }
    static QStringList rowNames(const Ui::TaskCleanPage* page)
    {
        QStringList names;
        for (const Ui::CleanupRow* row : page->rows())
            names << row->result().rule.name;
        return names;
    }
    static int checkedRows(const Ui::TaskCleanPage* page)
    {
        return int(std::ranges::count_if(
            page->rows(), [](const Ui::CleanupRow* row) { return row->findChild<QCheckBox*>()->isChecked(); }));
    }
    // A picture of a passing state: only layouts are brought up to date, no other event is
    // delivered (a finished scan would otherwise replace what is on screen).
    void stillShot(const QString& name) const
    {
        if (Screenshots::folder().isEmpty())
            return;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        content->window().grab().save(Screenshots::folder() + QLatin1Char('/') + name + u".png"_s);
    }
};

} // namespace

TEST_F(TaskCleanPageTest, ScanInspectTickAllAndCleanTheTickedThroughTheTrash)
{
    addRule(u"com.example.small"_s, u"Small"_s, u"USERFOLDER/small"_s, u"小缓存"_s);
    addRule(u"com.example.big"_s, u"Big"_s, u"USERFOLDER/big"_s, u"大缓存"_s);
    addRule(u"com.example.mid"_s, u"Mid"_s, u"USERFOLDER/mid"_s);
    m_tree->file(u"small/a.cache"_s, 300);
    m_tree->file(u"big/a.cache"_s, 1500);
    m_tree->file(u"big/sub/b.cache"_s, 500);
    m_tree->file(u"mid/c.log"_s, 1000);

    Ui::TaskCleanPage* page = openPage();
    ASSERT_NE(page, nullptr);
    Ui::FloatingActionButton* button = page->actionButton();
    const auto checker = checkModel(page->filePanel()->model());
    Screenshots::save(&content->window(), u"task-clean-ready"_s);

    QTest::mouseClick(button, Qt::LeftButton);
    // The scan runs in the background; until its result is handed back the card shows.
    ASSERT_EQ(state(), ScanState::scanning);
    EXPECT_TRUE(page->progressCard()->isVisibleTo(page));
    EXPECT_FALSE(button->isVisibleTo(page));
    EXPECT_EQ(page->emptyState()->symbolName(), u"checkmark.circle"_s);
    stillShot(u"task-clean-scanning"_s);

    ASSERT_TRUE(waitUntil([&] { return state() == ScanState::scanned; }));
    EXPECT_FALSE(page->progressCard()->isVisibleTo(page));
    EXPECT_EQ(rowNames(page), (QStringList{u"Big"_s, u"Mid"_s, u"Small"_s}));
    EXPECT_EQ(button->text(), u"删除 0 KB"_s);
    // Nothing ticked: no clean to start, but the scan can be run again.
    EXPECT_FALSE(button->isEnabled());
    EXPECT_TRUE(page->selectAllBar()->rescanButton()->isVisible());
    Screenshots::save(&content->window(), u"task-clean-results"_s);

    // Inspecting a row lists its files beside the list, not over it.
    QTest::mouseClick(page->rows()[0], Qt::LeftButton, {}, QPoint(200, 20));
    ASSERT_TRUE(page->detailResult().has_value());
    EXPECT_EQ(page->detailResult()->rule.name, u"Big"_s);
    EXPECT_TRUE(page->filePanel()->isVisible());
    EXPECT_EQ(page->filePanel()->model()->rowCount(), 2);
    EXPECT_GE(page->filePanel()->mapTo(page, QPoint(0, 0)).x(),
              page->resultList()->mapTo(page, QPoint(page->resultList()->width(), 0)).x());
    Screenshots::save(&content->window(), u"task-clean-file-panel"_s);
    page->filePanel()->findChild<QToolButton*>(u"scanFilePanelClose"_s)->click();
    EXPECT_FALSE(page->filePanel()->isVisible());
    EXPECT_FALSE(page->detailResult().has_value());
    EXPECT_EQ(checkedRows(page), 0);

    // A held press ticks every row; its release must not start a clean.
    longPress(button, [&] { return checkedRows(page) == 3; });
    QCoreApplication::processEvents();
    EXPECT_EQ(state(), ScanState::scanned);
    EXPECT_EQ(button->text(), u"删除 3 KB"_s);
    Screenshots::save(&content->window(), u"task-clean-all-ticked"_s);
    longPress(button, [&] { return checkedRows(page) == 0; });
    EXPECT_EQ(button->text(), u"删除 0 KB"_s);

    QTest::mouseClick(page->rows()[0]->findChild<QCheckBox*>(), Qt::LeftButton);
    EXPECT_EQ(checkedRows(page), 1);
    EXPECT_EQ(button->text(), u"删除 2 KB"_s);
    EXPECT_TRUE(button->isEnabled());
    // The panel of a result the clean moves goes with it.
    QTest::mouseClick(page->rows()[0], Qt::LeftButton, {}, QPoint(200, 20));
    ASSERT_TRUE(page->filePanel()->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(state(), ScanState::cleaning);
    EXPECT_FALSE(button->isVisibleTo(page));
    ASSERT_TRUE(waitUntil([&] { return state() == ScanState::scanned; }));

    EXPECT_EQ(page->statusLine()->text(), content->taskCleanModel().message());
    EXPECT_TRUE(page->statusLine()->isVisible());
    EXPECT_EQ(rowNames(page), (QStringList{u"Mid"_s, u"Small"_s}));
    EXPECT_FALSE(page->filePanel()->isVisible());
    EXPECT_EQ(button->text(), u"删除 0 KB"_s);
    Screenshots::save(&content->window(), u"task-clean-after-clean"_s);

    // A later scan (the quick cleanup can start one) keeps the rows under the card.
    content->taskCleanModel().startScan();
    EXPECT_TRUE(page->progressCard()->isVisibleTo(page));
    // It starts again from the first rule, not from the last scan's end.
    EXPECT_EQ(page->progressCard()->percentText(), u"0%"_s);
    EXPECT_EQ(page->progressCard()->findChild<QLabel*>(u"scanProgressRule"_s)->text(), u"Big"_s);
    EXPECT_EQ(page->rows().size(), 2);
    EXPECT_TRUE(page->resultList()->isVisibleTo(page));
    stillShot(u"task-clean-rescanning"_s);
    ASSERT_TRUE(waitUntil([&] { return state() == ScanState::scanned; }));
}

TEST_F(TaskCleanPageTest, AScanWithoutResultsShowsTheCheckmarkAndNothingFoundAndACancelUnderTheCardStopsTheNext)
{
    addRule(u"com.example.none"_s, u"None"_s, u"USERFOLDER/missing"_s);
    m_tree->file(u"empty/zero"_s, 0);
    addRule(u"com.example.zero"_s, u"Zero"_s, u"USERFOLDER/empty"_s);
    Ui::TaskCleanPage* page = openPage();
    ASSERT_TRUE(clickAndWait(page->actionButton(), content->taskCleanModel()));

    EXPECT_TRUE(page->rows().isEmpty());
    EXPECT_TRUE(page->emptyState()->isVisible());
    EXPECT_FALSE(page->resultList()->isVisible());
    EXPECT_EQ(page->emptyState()->symbolName(), u"checkmark.circle"_s);
    // Nothing to clean: the button offers the scan again instead of an inert "删除 0 KB".
    EXPECT_EQ(page->actionButton()->text(), u"开始扫描"_s);
    EXPECT_TRUE(page->actionButton()->isEnabled());
    Screenshots::save(&content->window(), u"task-clean-nothing-found"_s);
    QTest::mouseClick(page->actionButton(), Qt::LeftButton);
    ASSERT_EQ(state(), ScanState::scanning);
    auto* cancel = page->findChild<QPushButton*>(u"cancelScan"_s);
    ASSERT_NE(cancel, nullptr);
    ASSERT_TRUE(cancel->isVisible());
    ASSERT_TRUE(clickAndWait(cancel, content->taskCleanModel(), 5000));
    EXPECT_TRUE(content->taskCleanModel().message().startsWith(u"扫描已取消"_s));
    EXPECT_FALSE(cancel->isVisible());
}

TEST_F(TaskCleanPageTest, RowsOfALongListAreBuiltAsTheListScrollsAndAllFollowTheModel)
{
    constexpr int kRules = 150;
    for (int i = 0; i < kRules; ++i) {
        const QString name = u"r%1"_s.arg(i, 3, 10, QLatin1Char('0'));
        addRule(u"com.example."_s + name, name, u"USERFOLDER/"_s + name);
        m_tree->file(name + u"/f"_s, 1000 + i); // larger sizes first: r149 … r000
    }
    Ui::TaskCleanPage* page = openPage();
    ASSERT_TRUE(clickAndWait(page->actionButton(), content->taskCleanModel()));
    QCoreApplication::processEvents();
    EXPECT_LT(page->rows().size(), kRules);

    QScrollBar* bar = page->resultList()->verticalScrollBar();
    for (int guard = 0; guard < 100 && page->rows().size() < kRules; ++guard) {
        bar->setValue(bar->maximum());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(page->rows().size(), kRules);
    for (int i = 0; i < kRules; ++i)
        ASSERT_EQ(page->rows()[i]->result().id, content->taskCleanModel().results()[i].id) << i;

    content->taskCleanModel().toggleAllSelection();
    EXPECT_EQ(checkedRows(page), kRules);
    QTest::mouseClick(page->rows().last()->findChild<QCheckBox*>(), Qt::LeftButton);
    EXPECT_FALSE(content->taskCleanModel().results().last().selected);
    EXPECT_EQ(checkedRows(page), kRules - 1);
}
