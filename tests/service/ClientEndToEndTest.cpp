// The application's own client against the real service: every exchange it makes, end to end.
#include "ServiceHarness.h"

#include "core/services/ServiceEndpoints.h"

using namespace Sweepora;
using namespace Sweepora::Core;
using namespace Sweepora::ServiceTest;
using namespace Qt::StringLiterals;

namespace {

using ClientEndToEndTest = ServiceHarness;

CleanupRule ruleWithPaths(const QString& name, const QStringList& paths)
{
    return CleanupRule{true, name, paths, 0, u"com.example.app"_s, u"示例"_s};
}

ServiceResult<UploadMarketTaskEnvelope> upload(const CleanupRule& rule)
{
    return await<UploadMarketTaskEnvelope>([&](auto... a) { ServiceEndpoints::uploadMarketTask(rule, a...); });
}
ServiceResult<MarketTaskEnvelope> workshop()
{
    return await<MarketTaskEnvelope>([](auto... a) { ServiceEndpoints::fetchMarketTasks(a...); });
}
// The latest version as the client sees it: "build notes", " forced" added when it is; "none" or the error.
std::string latestVersion()
{
    const auto reply = await<AppVersionEnvelope>([](auto... a) { ServiceEndpoints::fetchLatestVersion(a...); });
    if (!reply.ok() || !reply.value().data)
        return reply.ok() ? "none" : reply.error().localizedDescription().toStdString();
    const AppVersionInfo& info = *reply.value().data;
    return std::to_string(info.buildNumber) + " " + info.releaseNotes.toStdString() +
           (info.isForced() ? " forced" : "");
}
ServiceResult<VerificationResponse> sendCode(const VerificationRequest& account)
{
    return await<VerificationResponse>([&](auto... a) { ServiceEndpoints::sendCode(account, a...); });
}
ServiceResult<VerificationResponse> checkCode(const VerificationRequest& account, const QString& code)
{
    return await<VerificationResponse>([&](auto... a) { ServiceEndpoints::checkCode(account, code, a...); });
}

// The application signs in only on HTTP 2xx with code 1.
bool signsIn(const ServiceResult<VerificationResponse>& reply)
{
    return reply.ok() && reply.value().code == 1;
}

} // namespace

TEST_F(ClientEndToEndTest, PublishedRulesAndVersionsReachTheClient)
{
    // No App, no Notice: the application fills them in.
    const RemoteRuleJSON bare{{}, u"微信 小程序缓存"_s, {u"PUBLIC_DATA/com.tencent.mm/MicroMsg/wxacache"_s},
                              {}, u"com.tencent.mm"_s,  u"d"_s};
    const RemoteRuleJSON full{false, u"日志"_s, {u"USERFOLDER/Library/Logs/WeChat"_s}, 2, u"com.tencent.mm"_s, u"d"_s};
    ASSERT_TRUE(store->publishRule(bare, 1));
    ASSERT_TRUE(store->publishRule(full, 2));

    const auto reply = await<CloudTaskEnvelope>([](auto... a) { ServiceEndpoints::fetchCloudRules(a...); });
    ASSERT_TRUE(reply.ok()) << reply.error().localizedDescription().toStdString();
    ASSERT_EQ(reply.value().data.size(), 2);
    EXPECT_TRUE(reply.value().data[0].ruleJSON.toCleanupRule().app);
    const CleanupRule second = reply.value().data[1].ruleJSON.toCleanupRule();
    EXPECT_FALSE(second.app);
    EXPECT_EQ(second.notice, 2);

    // The latest version is absent, then offered, then forced.
    EXPECT_EQ(latestVersion(), "none");
    Service::VersionRecord v13{0, u"1.3.0"_s, 13, u"https://example.com/d"_s, u"修复若干问题"_s, false, {}, 1, 0, 0};
    ASSERT_TRUE(store->publishVersion(v13, 1000));
    EXPECT_EQ(latestVersion(), "13 修复若干问题");

    // A later build that is forced wins; publishing an older build afterwards does not.
    Service::VersionRecord v14 = v13;
    v14.buildNumber = 14;
    v14.forceUpdate = true;
    ASSERT_TRUE(store->publishVersion(v14, 2000));
    v13.buildNumber = 12;
    ASSERT_TRUE(store->publishVersion(v13, 3000));
    EXPECT_EQ(latestVersion(), "14 修复若干问题 forced");
}

TEST_F(ClientEndToEndTest, SafeUploadIsListedIntactWhileUploadsReachingUserDataOrLeavingHomeAreHeld)
{
    const CleanupRule rule =
        ruleWithPaths(u"缓存"_s, {u"USERFOLDER/.cache/example"_s, u"USERFOLDER/Library/Caches/x"_s});
    const auto reply = upload(rule);
    ASSERT_TRUE(reply.ok()) << reply.error().localizedDescription().toStdString();
    EXPECT_TRUE(reply.value().data.isApproved());
    for (const QString& path : {u"USERFOLDER/Documents"_s, u"USERFOLDER/../x"_s}) {
        const auto held = upload(ruleWithPaths(u"危险"_s, {u"USERFOLDER/.cache/ok"_s, path}));
        ASSERT_TRUE(held.ok()) << held.error().localizedDescription().toStdString();
        EXPECT_FALSE(held.value().data.isApproved()) << path.toStdString();
        EXPECT_TRUE(held.value().data.reason.contains(path)) << held.value().data.reason.toStdString();
    }
    EXPECT_EQ(counts().held, 2);

    const auto list = workshop();
    ASSERT_TRUE(list.ok());
    ASSERT_EQ(list.value().data.size(), 1);
    const MarketRule& entry = list.value().data[0];
    EXPECT_EQ(entry.id, reply.value().data.id);
    EXPECT_TRUE(entry.isApproved());
    EXPECT_EQ(entry.ruleJSON.toCleanupRule(), rule);
    EXPECT_TRUE(QDateTime::fromString(entry.createdAt, Qt::ISODate).isValid()) << entry.createdAt.toStdString();
}

TEST_F(ClientEndToEndTest, SignInByPhoneAndByEmailWithTheCodeFromTheLogButNotWithAnInvalidAccount)
{
    const VerificationRequest phone = VerificationRequest::phone(u"13912345678"_s);
    // "+" must survive the query string of the check.
    const VerificationRequest email = VerificationRequest::email(u"a+b@example.com"_s);
    for (const VerificationRequest& account : {phone, email}) {
        const auto sent = sendCode(account);
        ASSERT_TRUE(sent.ok()) << sent.error().localizedDescription().toStdString();
        EXPECT_EQ(sent.value().code, 200);
        const QString code = codeFromLog(account.account());
        ASSERT_EQ(code.size(), 4) << logLines().join(u'\n').toStdString();
        EXPECT_TRUE(signsIn(checkCode(account, code)));
    }

    // Invalid accounts are refused with a message the sheet can show, and make no code.
    const qint64 codesBefore = counts().codes;
    const auto badPhone = sendCode(VerificationRequest::phone(u"12912345678"_s));
    ASSERT_FALSE(badPhone.ok());
    EXPECT_EQ(badPhone.error().localizedDescription(), u"手机号格式不正确"_s);
    const auto badEmail = sendCode(VerificationRequest::email(u"user@localhost"_s));
    ASSERT_FALSE(badEmail.ok());
    EXPECT_EQ(badEmail.error().localizedDescription(), u"邮箱地址格式不正确"_s);
    EXPECT_EQ(counts().codes, codesBefore);
}

// A code is single use, expires after five minutes, is resent no sooner than a minute later (the new
// one replacing the old), and dies after five wrong checks.
TEST_F(ClientEndToEndTest, ACodesLifeFromSendToUseExpiryResendAndWrongChecks)
{
    const VerificationRequest account = VerificationRequest::phone(u"13800000001"_s);
    ASSERT_TRUE(sendCode(account).ok());
    const QString first = codeFromLog(account.account());
    ASSERT_TRUE(signsIn(checkCode(account, first)));
    EXPECT_FALSE(signsIn(checkCode(account, first)));

    clock.advance(Service::VerificationCodes::kResendIntervalMs);
    ASSERT_TRUE(sendCode(account).ok());
    const QString second = codeFromLog(account.account());
    clock.advance(Service::VerificationCodes::kLifetimeMs); // exactly five minutes after sending
    const auto expired = checkCode(account, second);
    ASSERT_TRUE(expired.ok());
    EXPECT_EQ(expired.value().code, 0);

    const VerificationRequest mail = VerificationRequest::email(u"user@example.com"_s);
    ASSERT_TRUE(sendCode(mail).ok());
    const QString old = codeFromLog(mail.account());
    clock.advance(Service::VerificationCodes::kResendIntervalMs - 1000);
    const auto refused = sendCode(mail);
    ASSERT_FALSE(refused.ok());
    ASSERT_TRUE(refused.error().httpError());
    EXPECT_EQ(refused.error().httpError()->status, 429);
    // The sign-in sheet shows the service's own message.
    EXPECT_EQ(refused.error().localizedDescription(), u"发送过于频繁，请 1 秒后再试"_s);

    clock.advance(1000);
    ASSERT_TRUE(sendCode(mail).ok());
    const QString fresh = codeFromLog(mail.account());
    if (fresh != old) { // the same four digits may come twice
        EXPECT_FALSE(signsIn(checkCode(mail, old)));
    }
    EXPECT_TRUE(signsIn(checkCode(mail, fresh)));

    // Four wrong checks leave the right code usable, five do not.
    const VerificationRequest guessed = VerificationRequest::phone(u"15000000000"_s);
    for (const int wrongChecks :
         {Service::VerificationCodes::kMaxWrongChecks - 1, Service::VerificationCodes::kMaxWrongChecks}) {
        clock.advance(Service::VerificationCodes::kResendIntervalMs);
        ASSERT_TRUE(sendCode(guessed).ok());
        const QString code = codeFromLog(guessed.account());
        const QString miss = code == u"0000"_s ? u"1111"_s : u"0000"_s;
        for (int i = 0; i < wrongChecks; ++i)
            ASSERT_FALSE(signsIn(checkCode(guessed, miss)));
        EXPECT_EQ(signsIn(checkCode(guessed, code)), wrongChecks < Service::VerificationCodes::kMaxWrongChecks);
    }
}

TEST_F(ClientEndToEndTest, WorkshopListFollowsUploadsAndReviewsMadeByAnotherProcess)
{
    ASSERT_TRUE(upload(ruleWithPaths(u"一"_s, {u"USERFOLDER/.cache/one"_s})).ok());
    ASSERT_EQ(workshop().value().data.size(), 1);
    const auto second = upload(ruleWithPaths(u"二"_s, {u"USERFOLDER/.cache/two"_s}));
    ASSERT_TRUE(second.ok());
    auto list = workshop();
    ASSERT_EQ(list.value().data.size(), 2);
    EXPECT_EQ(list.value().data[0].ruleJSON.name, u"二"_s); // newest first

    // The operator's commands write through a connection of their own.
    Service::Database other;
    ASSERT_TRUE(other.open(address, nullptr));
    Service::ServiceStore operatorStore(other);
    ASSERT_EQ(operatorStore.setReview(second.value().data.id, Service::ReviewState::rejected, u"重复"_s, 5),
              Service::ServiceStore::Change::done);
    list = workshop();
    ASSERT_EQ(list.value().data.size(), 1);
    EXPECT_EQ(list.value().data[0].ruleJSON.name, u"一"_s);

    // A row broken by hand is left out instead of failing everyone's list. (An edit by hand moves
    // the workshop's version on, as the README says, for PostgreSQL's instances to notice.)
    ASSERT_TRUE(other.execute("UPDATE market_tasks SET rule_json = '{', updated_at = 9 WHERE state = 'approved'"));
    ASSERT_TRUE(other.execute("UPDATE workshop_version SET version = version + 1"));
    list = workshop();
    ASSERT_TRUE(list.ok());
    EXPECT_TRUE(list.value().data.isEmpty());
}
