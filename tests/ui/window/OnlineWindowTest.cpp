#include "core/platform/Settings.h"
#include "core/sections/SectionTable.h"
#include "core/services/AccountSession.h"
#include "core/services/RuleEditorCoordinator.h"
#include "core/services/RuleEditorViewModel.h"
#include "core/services/RuleWorkshopViewModel.h"
#include "core/services/UpdateChecker.h"
#include "ui/OnlineUiTest.h"
#include "ui/pages/about/AppUpdateSheet.h"
#include "ui/pages/account/CenteredCodeField.h"
#include "ui/pages/account/LoginSheet.h"
#include "ui/pages/rules/RuleCard.h"
#include "ui/pages/rules/RuleEditorPanel.h"
#include "ui/pages/rules/RulesPage.h"
#include "ui/pages/workshop/MarketRuleRow.h"
#include "ui/pages/workshop/RuleWorkshopPage.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"
#include "ui/window/OnlineFeatures.h"
#include "ui/window/Sidebar.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

using namespace Sweepora::Ui;
using namespace Sweepora::Test;
using Sweepora::Core::RuleEditorMode;
using Sweepora::Core::sectionId;
using Sweepora::Core::SectionKey;
using Sweepora::Core::Settings;

namespace {

// Receives the addresses the window hands to the browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class OnlineWindowTest : public OnlineUiTest
{
protected:
    void SetUp() override
    {
        OnlineUiTest::SetUp();
        serveJSON("GET", u"/tasks/rules"_s, listReply({}));
        serveJSON("GET", u"/market/tasks"_s,
                  listReply({workshopEntry(9, 0, ruleJSON("工坊缓存", "com.example.workshop"))}));
    }
    // The window, built after the test scripted its replies; its start-up runs at once. The
    // home folder is not granted: the launch's alert is answered "稍后" unless asked to stay.
    void makeWindow(bool answerAuthorization = true)
    {
        content = std::make_unique<ContentView>();
        window().resize(1100, 720);
        window().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
        // Both start-up requests have come back (or failed) before a test looks.
        ASSERT_TRUE(waitUntil([&] { return requestCount(u"/app/version/latest"_s) == 1; }));
        QTest::qWait(50);
        if (answerAuthorization && content->authorizationPrompt())
            content->authorizationPrompt()->findChild<QPushButton*>(u"laterButton"_s)->click();
    }
    MainWindow& window() const { return content->window(); }
    bool waitForUpdateSheet() const
    {
        return waitUntil([&] { return online().updateSheet() != nullptr; });
    }
    OnlineFeatures& online() const { return content->online(); }
    RuleEditorPanel* panel() const { return qobject_cast<RuleEditorPanel*>(window().editorPanel()); }
    QToolButton* accountButton() const { return window().sidebar()->findChild<QToolButton*>(u"accountButton"_s); }
    bool rulesPageLists(const QString& ruleKey) const
    {
        return std::ranges::any_of(online().rulesPage()->ruleCards(),
                                   [&](RuleCard* card) { return card->rule().ruleKey() == ruleKey; });
    }

    std::unique_ptr<ContentView> content;
};

} // namespace

TEST_F(OnlineWindowTest, WorkshopEntryIsTakenInReadOnlyAndNewRulesAreSavedOrUploadedThroughThePanel)
{
    makeWindow();
    window().setSelectedSection(sectionId(SectionKey::ruleWorkshop));
    RuleWorkshopPage* workshop = online().workshopPage();
    ASSERT_TRUE(waitUntil([&] { return workshop->rows().size() == 1; }));
    click(workshop->rows().first()->findChild<QPushButton*>(u"marketRuleOpen"_s));

    ASSERT_NE(panel(), nullptr);
    EXPECT_EQ(panel()->model().mode(), RuleEditorMode::viewing);
    Screenshots::save(&window(), u"window-workshop-viewing"_s);

    click(panel()->primaryButton());
    EXPECT_EQ(window().editorPanel(), nullptr);
    window().setSelectedSection(sectionId(SectionKey::ruleManagement));
    EXPECT_TRUE(rulesPageLists(u"com.example.workshop工坊缓存"_s));
    Screenshots::save(&window(), u"window-rules-after-take-in"_s);

    // A new rule is saved; an upload closes the panel once its rule is up and reloads the workshop.
    click(online().rulesPage()->findChild<QPushButton*>(u"addRuleButton"_s));
    ASSERT_NE(panel(), nullptr);
    panel()->packNameField()->setFocus();
    QTest::keyClicks(panel()->packNameField(), u"com.example.new"_s);
    Screenshots::save(&window(), u"window-rules-editing"_s);
    click(panel()->primaryButton());
    EXPECT_EQ(window().editorPanel(), nullptr);
    EXPECT_TRUE(rulesPageLists(u"com.example.new新规则"_s));

    window().setSelectedSection(sectionId(SectionKey::ruleWorkshop));
    ASSERT_TRUE(waitUntil([&] { return !online().workshopPage()->model().isLoading(); }));
    const qsizetype loads = requestCount(u"/market/tasks"_s);
    click(online().workshopPage()->findChild<QPushButton*>(u"uploadRuleButton"_s));
    ASSERT_NE(panel(), nullptr);
    EXPECT_EQ(panel()->model().mode(), RuleEditorMode::uploading);
    panel()->jsonEditor()->setPlainText(QString::fromUtf8(ruleJSON("上传", "com.up", R"(,"App":true,"Notice":0)")));
    click(panel()->parseButton());
    serveJSON("POST", u"/market/tasks"_s, R"({"code":0,"message":"","data":{"id":1,"allow":1,"reason":""}})");
    click(panel()->primaryButton());
    ASSERT_TRUE(waitUntil([&] { return online().ruleEditor().workshopVersion() == 1; }));
    ASSERT_TRUE(waitUntil([&] { return requestCount(u"/market/tasks"_s) == loads + 2; }));
    EXPECT_EQ(panel(), nullptr) << "the panel closes once its rule is up";
    auto* verdict = window().findChild<QMessageBox*>(u"uploadVerdict"_s);
    ASSERT_NE(verdict, nullptr);
    EXPECT_EQ(verdict->text(), u"上传成功，规则已通过审核。"_s);
    Screenshots::save(&window(), u"window-workshop-uploaded"_s);
    verdict->close();

    // The panel does not follow the user to another section.
    click(online().workshopPage()->findChild<QPushButton*>(u"uploadRuleButton"_s));
    ASSERT_NE(panel(), nullptr);
    window().setSelectedSection(sectionId(SectionKey::quickCleanup));
    EXPECT_EQ(panel(), nullptr);
}

TEST_F(OnlineWindowTest, AtFirstLaunchTheOfferWaitsForTheAuthorizationAlertCanBePostponedOrSkippedAndForcedStays)
{
    serveJSON("GET", u"/app/version/latest"_s, versionReply(999999, 0));
    makeWindow(false);
    QMessageBox* prompt = content->authorizationPrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_TRUE(prompt->isVisible());
    // The offer has come in, and waits.
    ASSERT_TRUE(waitUntil([&] { return online().updateChecker().hasAvailableVersion(); }));
    EXPECT_EQ(online().updateSheet(), nullptr);
    Screenshots::save(&window(), u"first-launch-authorization"_s);
    prompt->findChild<QPushButton*>(u"laterButton"_s)->click();
    ASSERT_TRUE(waitForUpdateSheet());
    AppUpdateSheet* sheet = online().updateSheet();
    EXPECT_TRUE(sheet->isVisible());
    Screenshots::save(sheet, u"update-sheet"_s);

    click(sheet->laterButton());
    EXPECT_FALSE(online().updateChecker().hasAvailableVersion());
    EXPECT_EQ(online().updateSheet(), nullptr);

    online().updateChecker().fetchLatest();
    ASSERT_TRUE(waitForUpdateSheet());
    // Escape is "稍后" for an ordinary version.
    QTest::keyClick(online().updateSheet(), Qt::Key_Escape);
    EXPECT_EQ(online().updateSheet(), nullptr);

    online().updateChecker().fetchLatest();
    ASSERT_TRUE(waitForUpdateSheet());
    click(online().updateSheet()->skipButton());
    EXPECT_EQ(online().updateSheet(), nullptr);
    EXPECT_TRUE(Settings::store().contains(Settings::kSkippedBuild));

    // The skipped build comes back forced: only 更新 is offered, and the sheet cannot be dismissed.
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(u"https"_s, &catcher, "open");
    serveJSON("GET", u"/app/version/latest"_s, versionReply(999999, 1));
    online().updateChecker().fetchLatest();
    ASSERT_TRUE(waitForUpdateSheet());
    sheet = online().updateSheet();
    EXPECT_EQ(sheet->skipButton(), nullptr);
    EXPECT_EQ(sheet->laterButton(), nullptr);
    EXPECT_NE(sheet->findChild<QLabel*>(u"updateForcedNote"_s), nullptr);
    Screenshots::save(sheet, u"update-sheet-forced"_s);

    QTest::keyClick(sheet, Qt::Key_Escape);
    sheet->close();
    QApplication::processEvents();
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(online().updateChecker().hasAvailableVersion());

    click(sheet->updateButton());
    EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl(u"https://example.com/sweepora.dmg"_s)});
    EXPECT_EQ(online().updateSheet(), sheet);
    EXPECT_TRUE(sheet->isVisible());
    QDesktopServices::unsetUrlHandler(u"https"_s);
}

TEST_F(OnlineWindowTest, PoemArrivesTrimmedAsOneElidedLineAndSignInByTextMessageShowsTheAccount)
{
    const QString line =
        u"人生若只如初见，何事秋风悲画扇。等闲变却故人心，却道故人心易变。骊山语罢清宵半，泪雨霖铃终不怨。"_s;
    serveJSON("GET", u"/"_s, "{\"hitokoto\":\"  " + line.toUtf8() + " \\n\"}");
    makeWindow();
    auto* label = window().findChild<QLabel*>(u"poemLabel"_s);
    ASSERT_TRUE(waitUntil([&] { return label->isVisible(); }));
    EXPECT_EQ(label->toolTip(), line);
    EXPECT_TRUE(label->text().endsWith(QChar(0x2026)));
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), 280);
    Screenshots::save(&window(), u"window-poem"_s);

    window().setPoemText(QString());
    ASSERT_TRUE(waitUntil([&] { return !label->isVisible(); }));

    // Closing the sign-in sheet signs nobody in, and it opens again.
    ASSERT_TRUE(accountButton()->isVisible());
    click(accountButton());
    LoginSheet* sheet = online().loginSheet();
    ASSERT_NE(sheet, nullptr);
    click(sheet->findChild<QToolButton*>(u"loginClose"_s));
    ASSERT_TRUE(waitUntil([&] { return online().loginSheet() == nullptr; }));
    EXPECT_FALSE(online().accountSession().showingLogin());
    EXPECT_EQ(accountButton()->text(), u"登录Sweepora"_s);

    click(accountButton());
    sheet = online().loginSheet();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
    EXPECT_EQ(sheet->currentStep(), sheet->methodStep());
    Screenshots::save(sheet, u"login-methods"_s);

    click(sheet->phoneButton());
    EXPECT_EQ(sheet->currentStep(), sheet->accountStep());
    QTest::keyClicks(sheet->accountField(), u" 1380013800"_s);
    EXPECT_FALSE(sheet->sendButton()->isEnabled()); // ten digits
    QTest::keyClicks(sheet->accountField(), u"0 "_s);
    Screenshots::save(sheet, u"login-account"_s);

    // A refusal shows the service's own words and stays on the step; Return sends.
    serveJSON("POST", u"/sms/send"_s, R"({"code":0,"message":"发送过于频繁"})");
    QTest::keyClick(sheet->accountField(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return sheet->errorLabel()->isVisible(); }));
    EXPECT_EQ(sheet->errorLabel()->text(), u"发送过于频繁"_s);
    serveJSON("POST", u"/sms/send"_s, R"({"code":200,"message":"ok"})");
    click(sheet->sendButton());
    ASSERT_TRUE(waitUntil([&] { return sheet->currentStep() == sheet->codeStep(); }));
    EXPECT_FALSE(sheet->errorLabel()->isVisible());

    // Six digits pasted into the first box fill all four and leave focus on the last.
    const QList<CenteredCodeField*> boxes = sheet->codeFields();
    QGuiApplication::clipboard()->setText(u"123456"_s);
    boxes[0]->setFocus();
    QTest::keySequence(boxes[0], QKeySequence::Paste);
    EXPECT_EQ((QStringList{boxes[0]->text(), boxes[1]->text(), boxes[2]->text(), boxes[3]->text()}),
              (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s}));
    EXPECT_TRUE(boxes[3]->hasFocus());
    EXPECT_TRUE(sheet->confirmButton()->isEnabled());
    Screenshots::save(sheet, u"login-code"_s);

    serveJSON("GET", u"/sms/check"_s, R"({"code":1,"message":"ok"})");
    click(sheet->confirmButton());
    ASSERT_TRUE(waitUntil([&] { return online().loginSheet() == nullptr; }));
    EXPECT_EQ(server.requests().last().query.queryItemValue(u"code"_s), u"1234"_s);
    EXPECT_EQ(online().accountSession().effectiveUserID(), u"13800138000"_s);
    EXPECT_EQ(accountButton()->text(), u"13800138000"_s);
    QToolButton* logout = window().sidebar()->findChild<QToolButton*>(u"logoutButton"_s);
    Screenshots::save(&window(), u"window-signed-in"_s);

    // Signed in, the account item opens nothing; signing out brings the sign-in item back.
    click(accountButton());
    EXPECT_EQ(online().loginSheet(), nullptr);
    click(logout);
    EXPECT_EQ(accountButton()->text(), u"登录Sweepora"_s);
}

#include "OnlineWindowTest.moc"
