#include "ServiceTestSupport.h"

#include "services/ServiceEndpoints.h"

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

using ServiceEndpointsTest = ServiceTest;

const QByteArray kRule = R"({"Name": "n", "Paths": ["/p"], "PackName": "com.p", "Description": "d"})";

} // namespace

TEST_F(ServiceEndpointsTest, EveryCallReachesItsEndpointAndDecodesItsReply)
{
    server.setReply(
        "GET", u"/tasks/rules"_s,
        TestHttpServer::json(200, R"({"code":0,"message":"","data":[{"id":1,"rule_json":)" + kRule + "}]}"));
    server.setReply("GET", u"/market/tasks"_s,
                    TestHttpServer::json(200, R"({"code":0,"message":"","data":[{"id":2,"allow":1,"created_at":"c",)"
                                              R"("updated_at":"u","rule_json":)" +
                                                  kRule + "}]}"));
    server.setReply("POST", u"/market/tasks"_s,
                    TestHttpServer::json(201, R"({"code":0,"message":"","data":{"id":3,"allow":0,"reason":"重复"}})"));
    server.setReply("GET", u"/app/version/latest"_s,
                    TestHttpServer::json(200, R"({"code":0,"message":"","data":null})"));
    server.setReply("GET", u"/"_s, TestHttpServer::json(200, R"({"hitokoto":"白日依山尽"})"));

    const auto cloud =
        await<CloudTaskEnvelope>([](QObject* context, auto done) { ServiceEndpoints::fetchCloudRules(context, done); });
    ASSERT_TRUE(cloud.ok());
    EXPECT_EQ(cloud.value().data.value(0).ruleJSON.packName, u"com.p"_s);

    const auto market = await<MarketTaskEnvelope>(
        [](QObject* context, auto done) { ServiceEndpoints::fetchMarketTasks(context, done); });
    ASSERT_TRUE(market.ok());
    EXPECT_TRUE(market.value().data.value(0).isApproved());

    CleanupRule rule;
    rule.name = u"n"_s;
    const auto upload = await<UploadMarketTaskEnvelope>(
        [&](QObject* context, auto done) { ServiceEndpoints::uploadMarketTask(rule, context, done); });
    ASSERT_TRUE(upload.ok());
    EXPECT_EQ(upload.value().data.reason, u"重复"_s);

    const auto version = await<AppVersionEnvelope>(
        [](QObject* context, auto done) { ServiceEndpoints::fetchLatestVersion(context, done); });
    ASSERT_TRUE(version.ok());
    EXPECT_FALSE(version.value().data.has_value());

    const auto poem =
        await<HitokotoResponse>([](QObject* context, auto done) { ServiceEndpoints::fetchPoem(context, done); });
    ASSERT_TRUE(poem.ok());
    EXPECT_EQ(poem.value().hitokoto, u"白日依山尽"_s);

    QStringList seen;
    for (const TestHttpServer::Request& request : server.requests())
        seen.append(QString::fromLatin1(request.method + ' ' + request.target));
    EXPECT_EQ(seen, (QStringList{u"GET /tasks/rules"_s, u"GET /market/tasks"_s, u"POST /market/tasks"_s,
                                 u"GET /app/version/latest"_s, u"GET /?c=i"_s}));
    EXPECT_EQ(server.requests()[2].body,
              R"({"rule_json":{"App":true,"Description":"","Name":"n","Notice":0,"PackName":"","Paths":[]}})");
}

TEST_F(ServiceEndpointsTest, SignInCallsUseTheChannelOfTheAccountAndEncodeTheirQuery)
{
    const QByteArray sent = R"({"code":200,"message":"已发送"})";
    const QByteArray checked = R"({"code":1,"message":"ok"})";
    for (const char* path : {"/sms/send", "/email/send"})
        server.setReply("POST", QString::fromLatin1(path), TestHttpServer::json(200, sent));
    for (const char* path : {"/sms/check", "/email/check"})
        server.setReply("GET", QString::fromLatin1(path), TestHttpServer::json(200, checked));

    const VerificationRequest phone = VerificationRequest::phone(u"13912345678"_s);
    const VerificationRequest email = VerificationRequest::email(u"a+b@example.com"_s);
    for (const VerificationRequest& account : {phone, email}) {
        const auto send = await<VerificationResponse>(
            [&](QObject* context, auto done) { ServiceEndpoints::sendCode(account, context, done); });
        ASSERT_TRUE(send.ok());
        EXPECT_EQ(send.value().code, 200);
        const auto check = await<VerificationResponse>(
            [&](QObject* context, auto done) { ServiceEndpoints::checkCode(account, u"0427"_s, context, done); });
        ASSERT_TRUE(check.ok());
        EXPECT_EQ(check.value().code, 1);
    }

    const QList<TestHttpServer::Request>& requests = server.requests();
    ASSERT_EQ(requests.size(), 4);
    EXPECT_EQ(requests[0].target, "/sms/send");
    EXPECT_EQ(requests[0].body, R"({"phone_number":"13912345678"})");
    EXPECT_EQ(requests[1].target, "/sms/check?phone_number=13912345678&code=0427");
    EXPECT_TRUE(requests[1].body.isEmpty());
    EXPECT_EQ(requests[2].target, "/email/send");
    EXPECT_EQ(requests[2].body, R"({"email_address":"a+b@example.com"})");
    // A raw "+" would reach a form decoder as a space and check the wrong address.
    EXPECT_EQ(requests[3].target, "/email/check?email_address=a%2Bb%40example.com&code=0427");

    // Every reserved character of the query is encoded.
    const QUrl url = ServiceEndpoints::checkCodeURL(VerificationRequest::email(u"x&code=1#@例.cn"_s), u"1 2"_s);
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItems(QUrl::FullyDecoded),
              (QList<QPair<QString, QString>>{{u"email_address"_s, u"x&code=1#@例.cn"_s}, {u"code"_s, u"1 2"_s}}));
    EXPECT_FALSE(url.hasFragment());
    EXPECT_EQ(url.path(), u"/email/check"_s);
}
