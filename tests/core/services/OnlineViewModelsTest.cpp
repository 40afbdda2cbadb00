// The view models of the online features, each against its own scripted server.
#include "OnlineTestSupport.h"
#include "core/platform/Clock.h"
#include "core/platform/Settings.h"
#include "core/services/AccountSession.h"
#include "core/services/LoginViewModel.h"
#include "core/services/RuleEditorCoordinator.h"
#include "core/services/RuleEditorViewModel.h"
#include "core/services/RuleWorkshopViewModel.h"
#include "core/services/RulesPageViewModel.h"
#include "core/services/ToolbarPoem.h"
#include "core/services/UpdateChecker.h"

#include <QTest>
#include <QTimeZone>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

using Method = LoginViewModel::Method;
using Step = LoginViewModel::Step;

class LoginTest : public ServiceTest
{
protected:
    void answer(const QByteArray& method, const QString& action, const QByteArray& body, int status = 200)
    {
        for (const QString& channel : {u"/sms/"_s, u"/email/"_s})
            server.setReply(method, channel + action, TestHttpServer::json(status, body));
    }
    // Sends a code for `account` and waits for the answer.
    void send(Method method, const QString& account)
    {
        model.chooseMethod(method);
        model.setAccount(account);
        model.sendCode();
        ASSERT_TRUE(waitUntil([&] { return !model.isLoading(); }));
    }

    LoginViewModel model;
};

TEST_F(LoginTest, AccountsAreNormalisedOnlyValidOnesAreSentAndCodeBoxesTakeNumbersOnly)
{
    // Only the first phone number is valid: the spaces around it are trimmed.
    for (const QString& phone : {u" 13912345678 "_s, u"10912345678"_s, u"11912345678"_s, u"12912345678"_s,
                                 u"1391234567"_s, u"１３９１２３４５６７８"_s})
        EXPECT_EQ(LoginViewModel::isValid(LoginViewModel::normalize(phone, Method::phone), Method::phone),
                  phone.startsWith(u' '))
            << phone.toStdString();
    EXPECT_FALSE(LoginViewModel::isValid(u"user@example"_s, Method::email));
    EXPECT_FALSE(LoginViewModel::isValid(u"u\u3000r@example.com"_s, Method::email));

    answer("POST", u"send"_s, R"({"code":200,"message":"已发送"})");
    send(Method::phone, u"12912345678"_s); // invalid: never sent
    send(Method::phone, u"  13912345678  "_s);
    send(Method::email, u" USER@Example.COM\n"_s);
    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[0].body, R"({"phone_number":"13912345678"})");
    EXPECT_EQ(server.requests()[1].target, "/email/send");
    EXPECT_EQ(server.requests()[1].body, R"({"email_address":"user@example.com"})");
    EXPECT_EQ(model.step(), Step::codeEntry);
    EXPECT_EQ(model.codeSentText(), u"验证码已发送至 user@example.com"_s);

    // Only numbers count (other scripts' too); a run spreads into the next boxes, never beyond the last.
    const std::tuple<int, QString, QStringList, int> steps[] = {
        {0, u"123456"_s, {u"1"_s, u"2"_s, u"3"_s, u"4"_s}, 3}, {1, u"a"_s, {u"1"_s, QString(), u"3"_s, u"4"_s}, 3},
        {0, u"x8"_s, {u"8"_s, QString(), u"3"_s, u"4"_s}, 1},  {1, u"56"_s, {u"8"_s, u"5"_s, u"6"_s, u"4"_s}, 3},
        {3, u"٧٨"_s, {u"8"_s, u"5"_s, u"6"_s, u"٧"_s}, 3},
    };
    for (const auto& [box, text, digits, focus] : steps) {
        model.setDigitText(box, text);
        EXPECT_EQ(model.digits(), digits) << text.toStdString();
        EXPECT_EQ(model.focusedDigit(), focus) << text.toStdString();
        EXPECT_EQ(model.canConfirm(), !digits.contains(QString())) << text.toStdString();
    }

    model.changeAccount();
    EXPECT_EQ(model.digits(), QStringList(4, QString()));
}

TEST_F(LoginTest, SendAcceptsOnlyCode200AndCheckOnlyCode1ThenBackStepsAndTheWindowsAccount)
{
    answer("POST", u"send"_s, R"({"code":0,"message":"发送过于频繁"})");
    send(Method::phone, u"13912345678"_s);
    EXPECT_EQ(model.step(), Step::accountEntry);
    EXPECT_EQ(model.errorMessage(), u"发送过于频繁"_s);

    answer("POST", u"send"_s, R"({"code":200,"message":""})");
    send(Method::phone, u"13912345678"_s);
    QSignalSpy verified(&model, &LoginViewModel::verified);
    model.setDigitText(0, u"0427"_s);
    answer("GET", u"check"_s, R"({"code":200,"message":"ok"})");
    model.confirmCode();
    ASSERT_TRUE(waitUntil([&] { return !model.isLoading(); }));
    EXPECT_FALSE(model.errorMessage().isEmpty());
    EXPECT_EQ(model.code(), u"0427"_s); // kept for correction

    answer("GET", u"check"_s, R"({"code":1,"message":"ok"})");
    model.confirmCode();
    ASSERT_TRUE(waitUntil([&] { return !model.isLoading(); }));
    ASSERT_EQ(verified.count(), 1);
    EXPECT_EQ(verified.at(0).at(0).toString(), u"13912345678"_s);
    EXPECT_EQ(server.requests().last().target, "/sms/check?phone_number=13912345678&code=0427");

    // Back steps, and the window's account.
    const qsizetype asked = server.requests().size();
    send(Method::email, u"a@b.cn"_s);
    model.changeAccount();
    EXPECT_EQ(model.step(), Step::accountEntry);
    EXPECT_EQ(model.account(), u"a@b.cn"_s);
    model.backToMethods();
    EXPECT_EQ(model.step(), Step::methodChoice);
    EXPECT_TRUE(model.account().isEmpty());

    // Going back while a code is on its way: its late success must not bring the code step back.
    model.chooseMethod(Method::email);
    model.setAccount(u"c@d.cn"_s);
    model.sendCode();
    ASSERT_TRUE(model.isLoading());
    model.backToMethods();
    EXPECT_FALSE(model.isLoading());
    ASSERT_TRUE(waitUntil([&] { return server.requests().size() == asked + 2; }));
    QTest::qWait(100); // the reply arrives, and is dropped
    EXPECT_EQ(model.step(), Step::methodChoice);
    EXPECT_FALSE(model.codeSent());

    Settings::store().setValue(Settings::kUserID, u"old"_s);
    AccountSession session;
    session.logout();
    EXPECT_EQ(Settings::store().value(Settings::kUserID).toString(), QString());
    session.userTapped();
    session.verified(u"a@b.cn"_s);
    EXPECT_TRUE(session.effectiveUserID().isEmpty()); // not before the sheet has closed
    session.loginDismissed();
    EXPECT_EQ(session.effectiveUserID(), u"a@b.cn"_s);
}

const QString kGoodJSON =
    uR"({"App":false,"Name":"缓存","Paths":["a","b"],"Notice":3,"PackName":"com.x","Description":"d"})"_s;

class RuleEditorTest : public ServiceTest
{
protected:
    std::unique_ptr<RuleEditorViewModel> openEditor()
    {
        return std::unique_ptr<RuleEditorViewModel>(window.createEditor(nullptr, rules.store()));
    }

    static TestHttpServer::Reply review(qint64 allow, const QByteArray& reason)
    {
        return TestHttpServer::json(200, R"({"code":7,"message":"","data":{"id":9,"allow":)" +
                                             QByteArray::number(allow) + R"(,"reason":")" + reason + "\"}}");
    }
    // Presses upload with `reply` as the service's answer and waits for it.
    void upload(RuleEditorViewModel& editor, const TestHttpServer::Reply& reply, int presses = 1)
    {
        server.setReply("POST", u"/market/tasks"_s, reply);
        for (int press = 0; press < presses; ++press)
            editor.primaryAction();
        ASSERT_TRUE(waitUntil([&] { return !editor.isUploading(); }));
        QCoreApplication::processEvents();
    }

    TemporaryRuleStore rules;
    RuleEditorCoordinator window;
};

TEST_F(RuleEditorTest, SavingReplacesAnIdentityAnUnwritableOneStaysOpenViewingIsReadOnlyAndTakingInReloadsThePage)
{
    window.edit(rules.add(u"com.x"_s, u"缓存"_s, u"旧"_s));
    auto editor = openEditor();
    editor->setDescription(u"新"_s);
    editor->setPathsText(u" a \n\nb\n"_s); // one path a line: spaces kept, empty lines dropped
    EXPECT_EQ(editor->pathsText(), u" a \n\nb\n"_s);
    editor->primaryAction();
    EXPECT_FALSE(window.isOpen());
    EXPECT_EQ(window.rulesVersion(), 1);
    ASSERT_EQ(rules.store().loadRules().size(), 1);
    EXPECT_EQ(rules.find(u"com.x缓存"_s)->description, u"新"_s);
    EXPECT_EQ(rules.find(u"com.x缓存"_s)->paths, (QStringList{u" a "_s, u"b"_s}));

    window.add();
    editor = openEditor();
    editor->setName(u"a/b"_s);
    editor->save();
    EXPECT_TRUE(window.isOpen());
    EXPECT_EQ(window.rulesVersion(), 1);
    EXPECT_TRUE(editor->showResult());
    EXPECT_EQ(rules.fileCount(), 1);

    // Viewing is read-only; taking in saves and closes (the window's test sees the rules page reload).
    MarketRule entry; // no App, no Notice
    entry.ruleJSON = {{}, u"工坊"_s, {u"USERFOLDER/.cache/shop"_s}, {}, u"com.shop"_s, {}};
    window.open(entry);
    editor = openEditor();
    editor->setName(u"改名"_s);
    editor->setPathsText(u"/etc"_s);
    EXPECT_EQ(editor->rule(), entry.ruleJSON.toCleanupRule());
    EXPECT_TRUE(editor->rule().app);

    editor->primaryAction();
    EXPECT_FALSE(window.isOpen());
    EXPECT_EQ(window.rulesVersion(), 2);
    EXPECT_TRUE(rules.find(u"com.shop工坊"_s));

    // A workshop rule that fails the rule review (an operator may have let it through) is not
    // taken in, and the panel says why.
    entry.ruleJSON.name = u"凭据"_s;
    entry.ruleJSON.paths = {u"USERFOLDER/.cache/x"_s, u"USERFOLDER/.aws"_s};
    window.open(entry);
    editor = openEditor();
    editor->primaryAction();
    EXPECT_TRUE(window.isOpen());
    EXPECT_TRUE(editor->resultMessage().contains(u"USERFOLDER/.aws"_s)) << editor->resultMessage().toStdString();
    EXPECT_EQ(rules.fileCount(), 2);
}

TEST_F(RuleEditorTest, JSONThatIsNotARuleKeepsUploadDisabledAndTwoQuickPressesSendOneRequest)
{
    window.startUpload();
    auto editor = openEditor();
    const auto parse = [&](const QString& text) { editor->setJsonInput(text), editor->parseJSON(); };
    const QString noNotice = uR"({"App":true,"Name":"n","Paths":[],"PackName":"p","Description":"d"})"_s;
    for (const QString& text : {noNotice, u"{not json"_s}) {
        parse(text);
        EXPECT_EQ(editor->resultMessage(), CleanupRule::fromJson(text.toUtf8()).error);
        EXPECT_FALSE(editor->canUpload());
    }
    editor->upload();
    EXPECT_TRUE(server.requests().isEmpty());

    // A failed parse after a good one disables the upload again and keeps the shown rule.
    parse(kGoodJSON);
    EXPECT_TRUE(editor->canUpload());
    parse(noNotice);
    EXPECT_FALSE(editor->canUpload());
    EXPECT_EQ(editor->rule().packName, u"com.x"_s);

    // Two quick presses send one request, and the review decides the message.
    parse(kGoodJSON);
    editor->setJsonInput(u"edited after parsing"_s); // still sends the parsed rule
    upload(*editor, review(0, "重复"), 2);
    ASSERT_EQ(server.requests().size(), 1);
    const QJsonObject sent = QJsonDocument::fromJson(server.requests()[0].body).object()[u"rule_json"_s].toObject();
    EXPECT_EQ(CleanupRule::fromJsonObject(sent).value, CleanupRule::fromJson(kGoodJSON.toUtf8()).value);
    EXPECT_EQ(editor->resultMessage(), u"上传成功，规则暂未通过审核：重复"_s);
    EXPECT_EQ(window.workshopVersion(), 1);
    EXPECT_FALSE(window.isOpen()) << "the panel closes once its rule is up";

    upload(*editor, review(1, "ignored"));
    EXPECT_EQ(editor->resultMessage(), u"上传成功，规则已通过审核。"_s);

    upload(*editor, TestHttpServer::json(500, R"({"message":"服务繁忙"})"));
    EXPECT_EQ(editor->resultMessage(), u"上传失败：服务繁忙"_s);
    EXPECT_EQ(window.workshopVersion(), 2);
    EXPECT_TRUE(editor->canUpload());
    EXPECT_EQ(rules.fileCount(), 0); // an upload is not saved locally

    // The panel closes before the service answers: the workshop still reloads.
    server.setReply("POST", u"/market/tasks"_s, review(1, ""));
    editor->upload();
    editor.reset();
    ASSERT_TRUE(waitUntil([&] { return window.workshopVersion() == 3; }));
}

using State = RuleWorkshopViewModel::ContentState;

class RuleWorkshopTest : public ServiceTest
{
protected:
    void serve(const QByteArrayList& entries, int status = 200)
    {
        server.setReply("GET", u"/market/tasks"_s, TestHttpServer::json(status, listReply(entries)));
    }
    void load()
    {
        model.load();
        ASSERT_TRUE(waitUntil([&] { return !model.isLoading(); }));
    }

    RuleWorkshopViewModel model;
};

TEST_F(RuleWorkshopTest, EntriesNotApprovedCarryTheBadgeAndAFailedReloadKeepsTheOldListSilently)
{
    serve({}, 503);
    load();
    EXPECT_EQ(model.contentState(), State::unavailable);
    EXPECT_TRUE(model.hasError());
    serve({});
    model.load();
    model.load(); // a second call while one runs sends nothing
    EXPECT_EQ(model.contentState(), State::loading);
    ASSERT_TRUE(waitUntil([&] { return !model.isLoading(); }));
    EXPECT_EQ(model.contentState(), State::empty); // an empty list is no error
    EXPECT_FALSE(model.hasError());
    EXPECT_EQ(server.requests().size(), 2);

    serve({workshopEntry(3, 0), workshopEntry(1, 1),
           workshopEntry(2, 2, R"({"Name":"工坊","Paths":["x"],"PackName":"com.w","Description":"d"})")});
    load();
    ASSERT_EQ(model.rules().size(), 3);
    EXPECT_EQ(model.rules()[0].id, 3); // the service's order
    for (const int i : {0, 1, 2})
        EXPECT_EQ(RuleWorkshopViewModel::showsUnreviewedBadge(model.rules()[i]), i != 1) << i;
    const CleanupRule viewed = RuleWorkshopViewModel::ruleForViewing(model.rules()[2]);
    EXPECT_TRUE(viewed.app);
    EXPECT_EQ(viewed.notice, 0);

    // One malformed entry fails the whole load; the old list stays, the error is not shown over it.
    serve({workshopEntry(5, 1), workshopEntry(6, 1, R"({"Paths":[],"PackName":"p","Description":"d"})")});
    model.setRefreshID(0);
    model.setRefreshID(1); // a new workshop version reloads
    EXPECT_EQ(model.contentState(), State::list);
    ASSERT_TRUE(waitUntil([&] { return !model.isLoading(); }));
    EXPECT_TRUE(model.hasError());
    EXPECT_EQ(model.rules().size(), 3);
    EXPECT_EQ(model.contentState(), State::list);
}

using Control = RulesPageViewModel::CloudControl;

QByteArray ruleJSON(const QString& packName, const QString& name, const QString& description = u"云端"_s)
{
    return uR"({"App":true,"Notice":0,"PackName":"%1","Name":"%2","Description":"%3","Paths":["USERFOLDER/.cache/x"]})"_s
        .arg(packName, name, description)
        .toUtf8();
}

class RulesPageViewModelTest : public ServiceTest
{
protected:
    void publish(const QByteArrayList& rules)
    {
        server.setReply("GET", u"/tasks/rules"_s, TestHttpServer::json(200, cloudRules(rules)));
    }
    void check()
    {
        model.checkCloud();
        ASSERT_TRUE(waitUntil([&] { return !model.isCheckingCloud(); }));
    }
    void sync()
    {
        model.syncFromCloud();
        ASSERT_TRUE(waitUntil([&] { return !model.isSyncing(); }));
    }

    TemporaryRuleStore rules;
    RulesPageViewModel model{rules.store()};
    LogCapture log;
};

TEST_F(RulesPageViewModelTest, ImportFillsMissingAppAndNoticeAndLeavesOtherRulesAlone)
{
    const CleanupRule localOnly = rules.add(u"com.local"_s, u"本地"_s);
    publish({R"({"Name":"缓存","Paths":["USERFOLDER/.cache/one"],"PackName":"com.one","Description":"d"})",
             R"({"App":false,"Notice":7,"Name":"日志","Paths":["USERFOLDER/.cache/two"],"PackName":"com.two",)"
             R"("Description":"d"})",
             ruleJSON(u"com.a"_s, u"../逃逸"_s),
             R"({"Name":"钱包","Paths":["USERFOLDER/.bitcoin"],"PackName":"com.b","Description":"d"})"});
    check();
    sync();
    EXPECT_TRUE(rules.find(u"com.one缓存"_s)->app);
    EXPECT_EQ(rules.find(u"com.one缓存"_s)->notice, 0);
    EXPECT_FALSE(rules.find(u"com.two日志"_s)->app);
    EXPECT_EQ(rules.find(u"com.two日志"_s)->notice, 7);
    EXPECT_EQ(rules.find(localOnly.ruleKey()), localOnly);
    // Rules that fail the rule review are not saved; the log says why, the subtitle how many.
    const QString refused = u"[RuleSync] 规则未通过安全审核，未导入："_s;
    EXPECT_EQ(log.lines().filter(refused + u"com.a../逃逸："_s).size(), 1);
    EXPECT_EQ(log.lines().filter(refused + u"com.b钱包：路径 “USERFOLDER/.bitcoin”"_s).size(), 1);
    EXPECT_FALSE(rules.find(u"com.b钱包"_s));
    EXPECT_EQ(log.lines().last(), u"[RuleSync] 同步完成，本地 3 条，云端 4 条"_s);
    EXPECT_EQ(model.cloudSubtitle(), u"本地 3 条 · 云端 4 条 · 2 条未通过安全审核"_s);
}

TEST_F(RulesPageViewModelTest, PublishedRulesMatchingLocalOnesOverwriteThemAndARecheckDuringAnImportDoesNothing)
{
    // Five local rules, ten published entries: two per local identity ("com.app" + "0缓存" is
    // the same identity as "com.app0" + "缓存").
    QByteArrayList published;
    for (int i = 0; i < 5; ++i) {
        rules.add(u"com.app%1"_s.arg(i), u"缓存"_s, u"旧"_s);
        published << ruleJSON(u"com.app%1"_s.arg(i), u"缓存"_s, u"新"_s) << ruleJSON(u"com.app"_s, u"%1缓存"_s.arg(i));
    }
    publish(published);
    check();
    sync();
    EXPECT_EQ(rules.fileCount(), 5);
    EXPECT_EQ(rules.find(u"com.app3缓存"_s)->description, u"云端"_s); // the later entry wins
    EXPECT_EQ(model.cloudSubtitle(), u"本地 5 条 · 云端 10 条"_s);
    EXPECT_EQ(model.cloudControl(), Control::syncButton);

    // A recheck during an import does nothing.
    publish({ruleJSON(u"com.a"_s, u"甲"_s), ruleJSON(u"com.b"_s, u"乙"_s)});
    check();
    const qsizetype asked = server.requests().size();
    model.syncFromCloud();
    ASSERT_TRUE(model.isSyncing());
    EXPECT_EQ(model.cloudControl(), Control::spinner);
    model.checkCloud();
    EXPECT_FALSE(model.isCheckingCloud());
    ASSERT_TRUE(waitUntil([&] { return !model.isSyncing(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(server.requests().size(), asked);
    EXPECT_EQ(model.rules().size(), 7);
}

TEST_F(RulesPageViewModelTest, FailedCheckOffersRecheckAndForgetsTheOldListAndTheCheckmarkFollowsTheCounts)
{
    publish({ruleJSON(u"com.a"_s, u"甲"_s)});
    check();
    server.setReply("GET", u"/tasks/rules"_s, TestHttpServer::json(500, R"({"message":"维护中"})"));
    check();
    EXPECT_EQ(model.cloudControl(), Control::recheckButton);
    EXPECT_EQ(log.lines(), QStringList{u"[RuleSync] 获取云端规则失败：服务端返回 HTTP 500"_s});
    sync(); // the list published before the failure is not imported
    EXPECT_FALSE(rules.find(u"com.a甲"_s));

    // The checkmark follows the counts, and an empty list never offers sync.
    EXPECT_EQ(model.cloudControl(), Control::recheckButton);
    for (int i = 0; i < 3; ++i)
        rules.add(u"com.local%1"_s.arg(i), u"规则"_s);
    for (int published : {3, 1, 0}) {
        QByteArrayList other; // nothing in common with the local rules: only the numbers count
        for (int i = 0; i < published; ++i)
            other << ruleJSON(u"com.other"_s, QString::number(i));
        publish(other);
        check();
        EXPECT_EQ(model.cloudCount(), published);
        EXPECT_EQ(model.cloudControl(), Control::upToDate) << published;
    }
    rules.add(u"com.new"_s, u"新"_s);
    model.setRefreshID(0);
    model.setRefreshID(1); // the window's rules version reloads the list
    EXPECT_EQ(model.cloudSubtitle(), u"本地 4 条 · 云端 0 条"_s);
}

using ToolbarPoemTest = ServiceTest;

TEST_F(ToolbarPoemTest, TheLineIsTrimmedAndFetchedOnceABlankOneShowsNothingAndAMissingOneIsLogged)
{
    LogCapture log;
    const std::pair<QByteArray, QString> replies[] = {
        {R"({"hitokoto":"\n  海上生明月 \n","from":"张九龄"})", u"海上生明月"_s},
        {R"({"hitokoto":" \n\t "})", QString()},
        {R"({"from":"佚名"})", QString()},
    };
    for (const auto& [body, text] : replies) {
        ToolbarPoem poem;
        QSignalSpy done(&poem, &ToolbarPoem::fetchFinished);
        QSignalSpy shown(&poem, &ToolbarPoem::textChanged);
        server.setReply("GET", u"/"_s, TestHttpServer::json(200, body));
        poem.fetch();
        ASSERT_TRUE(waitUntil([&] { return done.count() > 0; }));
        poem.fetch(); // fetched once
        QCoreApplication::processEvents();
        EXPECT_EQ(poem.text(), text) << body.constData();
        EXPECT_EQ(shown.count(), text.isEmpty() ? 0 : 1) << body.constData();
    }
    ASSERT_EQ(server.requests().size(), 3);
    EXPECT_EQ(server.requests()[0].target, "/?c=i");
    // Only the reply without the line is logged.
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith(u"[Hitokoto] 诗词加载失败："_s) && log.lines()[0].contains(u"hitokoto"_s));
}

// A timer the test fires by hand.
struct FakeTimer final : PeriodicTimer
{
    explicit FakeTimer(std::function<void()>* tick) : tick(tick) {}
    void start(std::chrono::milliseconds period, std::function<void()> callback) override
    {
        EXPECT_EQ(period, std::chrono::hours(24));
        *tick = std::move(callback);
    }
    std::function<void()>* tick;
};

class UpdateCheckerTest : public ServiceTest
{
protected:
    // Answers the next check with `body`, runs one check, and returns what is offered.
    std::optional<AppVersionInfo> offerAfter(const QByteArray& body, int status = 200)
    {
        server.setReply("GET", u"/app/version/latest"_s, TestHttpServer::json(status, body));
        const qsizetype before = finished.count();
        checker.fetchLatest();
        EXPECT_TRUE(waitUntil([&] { return finished.count() > before; }));
        return checker.availableVersion();
    }

    // Every test case runs in a process of its own, so the fixed clock never leaks.
    const QDateTime start = [] {
        const QDateTime moment(QDate(2024, 6, 1), QTime(12, 0), QTimeZone::utc());
        Clock::setFixed(moment);
        return moment;
    }();
    std::function<void()> tick;
    UpdateChecker checker{12, std::make_unique<FakeTimer>(&tick)};
    QSignalSpy started{&checker, &UpdateChecker::checkStarted};
    QSignalSpy finished{&checker, &UpdateChecker::checkFinished};
    LogCapture log;
};

TEST_F(UpdateCheckerTest, WithoutALastCheckItChecksAtOnceAndOnlyAHigherBuildIsOffered)
{
    server.setReply("GET", u"/app/version/latest"_s, TestHttpServer::json(502, "{}"));
    checker.startAutomaticChecks();
    EXPECT_EQ(started.count(), 1);
    ASSERT_TRUE(waitUntil([&] { return finished.count() == 1; }));
    EXPECT_FALSE(checker.availableVersion());
    EXPECT_FALSE(Settings::store().contains(Settings::kLastUpdateCheck)); // a failure is not a check
    EXPECT_EQ(log.lines(), QStringList{u"[UpdateChecker] 版本检测失败：服务端返回 HTTP 502"_s});

    // No version, or no higher build, still counts as a check.
    EXPECT_FALSE(offerAfter(versionReply(12, 0)));
    EXPECT_FALSE(offerAfter(R"({"code":0,"message":"","data":null})"));
    EXPECT_EQ(Settings::store().value(Settings::kLastUpdateCheck).toDateTime(), start);
    const std::optional<AppVersionInfo> offered = offerAfter(versionReply(13, 0));
    ASSERT_TRUE(offered);
    EXPECT_EQ(UpdateChecker::sheetSubtitle(*offered), u"版本 2.0 · Build 13"_s);

    EXPECT_EQ(checker.update(), QUrl(u"https://example.com/sweepora.dmg"_s));
    EXPECT_FALSE(checker.hasAvailableVersion());
    // An address from the network that is not a web page is never opened.
    ASSERT_TRUE(offerAfter(versionReply(13, 0, "file:///bin/sh")));
    EXPECT_TRUE(checker.update().isEmpty());
    EXPECT_TRUE(checker.hasAvailableVersion());
}

TEST_F(UpdateCheckerTest, CheckedTwentyThreeHoursAgoWaitsUntilADayAfterStartAndASkippedBuildReturnsOnlyWhenForced)
{
    Settings::store().setValue(Settings::kLastUpdateCheck, start.addSecs(-23 * 3600));
    checker.startAutomaticChecks();
    EXPECT_EQ(started.count(), 0);
    ASSERT_TRUE(tick);
    Clock::setFixed(start.addSecs(24 * 3600));
    tick();
    EXPECT_EQ(started.count(), 1);

    // Exactly a day old checks; a future date does not.
    Settings::store().setValue(Settings::kLastUpdateCheck, Clock::now().addSecs(-86400));
    checker.checkIfNeeded();
    Settings::store().setValue(Settings::kLastUpdateCheck, Clock::now().addSecs(60));
    checker.checkIfNeeded();
    EXPECT_EQ(started.count(), 2);
    ASSERT_TRUE(waitUntil([&] { return finished.count() == 2; }));

    // A skipped build returns only when forced, and then cannot be dismissed.
    ASSERT_TRUE(offerAfter(versionReply(13, 0)));
    checker.skip();
    EXPECT_EQ(Settings::store().value(Settings::kSkippedBuild).toLongLong(), 13);
    EXPECT_FALSE(offerAfter(versionReply(13, 0)));

    ASSERT_TRUE(offerAfter(versionReply(13, 1)));
    EXPECT_EQ(UpdateChecker::sheetTitle(*checker.availableVersion()), u"发现重要更新"_s);
    checker.skip();
    checker.later();
    EXPECT_FALSE(checker.update().isEmpty());
    EXPECT_TRUE(checker.hasAvailableVersion());
}

TEST(UpdateCheckerTextTest, BuildValueAndReleaseTimeParsing)
{
    for (const auto& [text, build] :
         {std::pair{u"+12"_s, 12}, {u"-3"_s, -3}, {u"0.1.0"_s, 0}, {u" 12"_s, 0}, {u"99999999999999999999"_s, 0}})
        EXPECT_EQ(UpdateChecker::parseBuildNumber(text), build) << text.toStdString();

    const QLocale zh(QLocale::Chinese, QLocale::China);
    const QDateTime local = QDateTime(QDate(2024, 5, 1), QTime(8, 30), QTimeZone::utc()).toLocalTime();
    const QString expected =
        zh.toString(local.date(), QLocale::LongFormat) + u' ' + zh.toString(local.time(), QLocale::ShortFormat);
    for (const QString& text :
         {u"2024-05-01T08:30:00Z"_s, u"2024-05-01T08:30:00.123456Z"_s, u"2024-05-01T16:30:00+08:00"_s})
        EXPECT_EQ(UpdateChecker::releaseTimeText(text, zh), expected) << text.toStdString();
    EXPECT_EQ(UpdateChecker::releaseTimeText(u"2024-05-01T08:30:00Z"_s), expected)
        << "Chinese whatever the system's locale";
    for (const QString& text : {u"2024-05-01"_s, u"2024-05-01T08:30:00"_s, u"2024-13-01T08:30:00Z"_s, u"昨天"_s})
        EXPECT_EQ(UpdateChecker::releaseTimeText(text, zh), text);
}

TEST(WallClockTimer, ADayCountsOnTheWallClockSoSleepDoesNotPostponeTheCheck)
{
    const QDateTime start(QDate(2024, 6, 1), QTime(12, 0), QTimeZone::utc());
    Clock::setFixed(start);
    const auto timer = PeriodicTimer::create(std::chrono::milliseconds(5));
    int ticks = 0;
    timer->start(std::chrono::hours(24), [&] { ++ticks; });
    Clock::setFixed(start.addSecs(23 * 3600));
    QTest::qWait(40);
    EXPECT_EQ(ticks, 0);
    // Three days asleep, as the wall clock tells: one check soon after waking, not three.
    Clock::setFixed(start.addDays(3));
    ASSERT_TRUE(waitUntil([&] { return ticks == 1; }, 2000));
    QTest::qWait(40);
    EXPECT_EQ(ticks, 1);
    Clock::setFixed(start.addDays(4).addSecs(1));
    ASSERT_TRUE(waitUntil([&] { return ticks == 2; }, 2000));
    Clock::setFixed(std::nullopt);
}

} // namespace
