#include "ui/pages/quick/QuickCleanupPage.h"
#include "core/apps/ApplicationCleanupViewModel.h"
#include "core/rules/CleanupViewModel.h"
#include "core/scanners/EmptyFolderCleanupViewModel.h"
#include "core/scanners/MiscFileCleanupViewModel.h"
#include "ui/WindowFixture.h"

#include <QPushButton>

using namespace Sweepora;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;
using Ui::QuickCleanupPage;

using QuickCleanupPageTest = WindowFixture;

TEST_F(QuickCleanupPageTest, StartScanFollowTheCardsOpenASectionAndACancelStopsEveryScan)
{
    m_tree->file(u"Library/Logs/app.log"_s, 3000);
    m_tree->file(u"Downloads/old.zip"_s, 4000);
    m_tree->folder(u"Documents/empty"_s);
    m_tree->folder(u"Pictures/also-empty"_s);
    grantHome(); // at the first launch, so the window shows no alert
    launch();
    EXPECT_EQ(content->window().selectedSection(), u"快速清理"_s);
    auto* quick = qobject_cast<QuickCleanupPage*>(content->window().page(u"快速清理"_s));
    ASSERT_NE(quick, nullptr);
    EXPECT_EQ(content->window().currentPage(), quick);
    QPushButton* start = quick->startButton();
    EXPECT_TRUE(start->isEnabled());
    for (int i = 0; i < 6; ++i)
        EXPECT_FALSE(quick->card(i)->figuresShown()); // no figures before any activity
    Screenshots::save(&content->window(), u"quick-cleanup-ready"_s);

    start->click();
    // All six started at once; the button counts the finished ones and refuses a second press.
    EXPECT_FALSE(start->isEnabled());
    EXPECT_EQ(start->text(), quick->model().startButtonText());
    EXPECT_TRUE(quick->card(2)->spinnerShown());
    Screenshots::save(&content->window(), u"quick-cleanup-scanning"_s);

    ASSERT_TRUE(waitUntil([&] { return start->isEnabled(); }, 20000));
    ASSERT_TRUE(waitUntil([&] { return quick->card(5)->figuresShown(); }));
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(quick->card(i)->arrowShown());
        EXPECT_FALSE(quick->card(i)->spinnerShown());
    }
    Screenshots::save(&content->window(), u"quick-cleanup-done"_s);

    quick->card(5)->click();
    EXPECT_EQ(content->window().selectedSection(), u"空文件夹清理"_s);

    // Leaving and coming back keeps the figures: the models have left their ready state.
    content->window().setSelectedSection(u"快速清理"_s);
    EXPECT_TRUE(quick->card(0)->figuresShown());

    // A cancel stops every scan and each says so.
    for (int i = 0; i < 200; ++i)
        m_tree->file(u"deep/%1/run.log"_s.arg(i), 10);
    EXPECT_FALSE(quick->cancelButton()->isVisible());
    quick->startButton()->click();
    ASSERT_TRUE(quick->cancelButton()->isVisible());
    quick->cancelButton()->click();
    ASSERT_TRUE(waitUntil([&] { return quick->startButton()->isEnabled(); }, 5000));
    EXPECT_FALSE(quick->cancelButton()->isVisible());
    for (const QString& message :
         QStringList{content->taskCleanModel().message(), content->applicationCleanupModel().message(),
                     content->miscFileModel().message(), content->emptyFolderCleanupModel().message()})
        EXPECT_TRUE(message.startsWith(u"扫描已取消"_s)) << message.toStdString();
}
