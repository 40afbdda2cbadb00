#include "core/access/AccessManager.h"
#include "core/platform/Settings.h"
#include "core/rules/CleanupViewModel.h"
#include "core/sections/SectionTable.h"
#include "ui/WindowFixture.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/pages/rules/TaskCleanPage.h"

#include <QMessageBox>
#include <QPushButton>

using namespace Sweepora;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

const QString kInvalidLaunch = u"[AccessManager] App 启动，授权文件夹：无，授权状态：无效"_s;

using ContentViewTest = WindowFixture;

} // namespace

TEST_F(ContentViewTest, ALaunchWithoutAGrantAsksOnceLaterLeavesTheWindowUsableAndAuthorizingStoresTheGrant)
{
    launch();
    EXPECT_EQ(loggedLines().count(kInvalidLaunch), 1);
    ASSERT_TRUE(waitUntil([&] { return content->authorizationPrompt() != nullptr; }));
    QMessageBox* box = content->authorizationPrompt();
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->objectName(), Ui::ContentView::kAuthorizationPromptName);
    Screenshots::save(&content->window(), u"window-authorization-prompt"_s);
    Screenshots::save(box, u"authorization-prompt"_s);

    box->findChild<QPushButton*>(u"laterButton"_s)->click();
    ASSERT_TRUE(waitUntil([&] { return content->authorizationPrompt() == nullptr; }));
    EXPECT_TRUE(m_picker->requests().isEmpty());

    // Showing the window again does not check again.
    content->window().hide();
    content->window().show();
    QCoreApplication::processEvents();
    EXPECT_EQ(loggedLines().count(kInvalidLaunch), 1);
    EXPECT_EQ(content->authorizationPrompt(), nullptr);

    // The window stays usable; the rule scanner reports the missing grant itself.
    content->window().setSelectedSection(u"常规清理"_s);
    auto* page = qobject_cast<Ui::TaskCleanPage*>(content->window().currentPage());
    ASSERT_NE(page, nullptr);
    QTest::mouseClick(page->actionButton(), Qt::LeftButton);
    EXPECT_EQ(content->taskCleanModel().state(), Core::ScanState::ready);

    // The next launch asks again; authorizing from the alert stores the grant, and the launch after is valid.
    content.reset();
    Core::AccessManager::resetForTesting();
    m_picker->answerWith(home());
    launch();
    ASSERT_TRUE(waitUntil([&] { return content->authorizationPrompt() != nullptr; }));
    content->authorizationPrompt()->findChild<QPushButton*>(u"authorizeButton"_s)->click();

    ASSERT_EQ(m_picker->requests().size(), 1);
    EXPECT_EQ(m_picker->requests()[0].directory, home());
    EXPECT_TRUE(Core::Settings::store().contains(Core::Settings::kHomeBookmark));

    // A new process: no open scopes, only what the settings kept.
    content.reset();
    Core::AccessManager::resetForTesting();
    launch();
    QCoreApplication::processEvents();
    EXPECT_EQ(content->authorizationPrompt(), nullptr);
    EXPECT_EQ(content->window().findChild<QMessageBox*>(Ui::ContentView::kAuthorizationPromptName), nullptr);

    // Every section the user can reach has its own page.
    for (const Core::Section& s : Core::sections()) {
        const QWidget* page = content->window().page(s.id);
        EXPECT_EQ(page != nullptr && !page->property("placeholder").toBool(),
                  s.inSidebar || s.key == Core::SectionKey::fileSearch)
            << s.id.toStdString();
    }
}
