// The service client: status and decoding rules, what goes out, time limits, and the records on the wire.
#include "OnlineTestSupport.h"
#include "core/services/AppVersion.h"
#include "core/services/CloudTasks.h"
#include "core/services/Hitokoto.h"
#include "core/services/MarketTasks.h"
#include "core/services/ServiceEndpoints.h"
#include "core/services/Verification.h"

#include <QJsonDocument>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kVerificationReply = R"({"code": 200, "message": "ok"})";

using HTTPUtilTest = ServiceTest;

QList<QByteArray> sortedHeaderNames(const TestHttpServer::Request& request)
{
    QList<QByteArray> names = request.headerNames();
    std::sort(names.begin(), names.end());
    return names;
}

// The problem and where it is, or "ok" when the reply decoded.
template <typename T> std::string failure(const ServiceResult<T>& result)
{
    if (result.ok())
        return "ok";
    const DecodingError* error = result.error().decodingError();
    if (!error)
        return "not a decoding error";
    const char* problem[] = {"notJSON", "missingKey", "wrongType"};
    return std::string(problem[int(error->problem)]) + " " + error->path.toStdString();
}
template <typename T> std::string failure(const QByteArray& json)
{
    return failure(HTTPUtil::decode<T>(json));
}

TEST_F(HTTPUtilTest,
       UndecodableRepliesFailAsDecodingErrorsOnlyStatusesFrom200To299SucceedAndOnlyAFailedPostShowsItsMessage)
{
    // A 204 fails on its empty body, not on its status.
    server.setReply("GET", u"/tasks/rules"_s, TestHttpServer::json(204, {}));
    server.setReply("POST", u"/a"_s, TestHttpServer::json(200, R"({"code": "200", "message": "ok"})"));
    EXPECT_EQ(failure(awaitGet<VerificationResponse>(HTTPUtil::endpointURL(u"/tasks/rules"_s))), "notJSON ");
    EXPECT_EQ(failure(awaitPost<VerificationResponse>(HTTPUtil::endpointURL(u"a"_s), {})), "wrongType code");

    // Qt flags 4xx and 5xx itself but lets a 3xx without a Location through as if it were fine, and
    // maps each failure status to an error of its own: none may hide the reply of a POST.
    const struct
    {
        QByteArray method;
        TestHttpServer::Reply reply;
        const char* shown; // nullptr: success; "?": any failure
        std::optional<HTTPUtilError> error = std::nullopt;
    } cases[] = {
        {"GET", TestHttpServer::json(299, kVerificationReply), nullptr},
        {"GET", TestHttpServer::json(300, kVerificationReply), "服务端返回 HTTP 300"},
        {"GET", TestHttpServer::json(199, kVerificationReply), "?"},
        {"GET", TestHttpServer::json(404, R"({"message": "没有这个接口"})"), "服务端返回 HTTP 404",
         HTTPUtilError::badStatus(404)},
        {"POST", TestHttpServer::Reply{500, {{"Content-Type", "text/html"}}, "<h1>oops</h1>"}, "服务端返回 HTTP 500",
         HTTPUtilError::badResponse(500, std::nullopt)},
        {"POST", TestHttpServer::json(502, R"({"message": 17})"), "服务端返回 HTTP 502"},
        {"POST", TestHttpServer::json(503, R"({"error": "down"})"), "服务端返回 HTTP 503"},
        // An empty message is still the server's message: it is shown as it is.
        {"POST", TestHttpServer::json(400, R"({"message": ""})"), "", HTTPUtilError::badResponse(400, QString())},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString path = u"/case"_s + QString::number(++n);
        server.setReply(c.method, path, c.reply);
        const QUrl url = HTTPUtil::endpointURL(path);
        const auto result =
            c.method == "GET" ? awaitGet<VerificationResponse>(url) : awaitPost<VerificationResponse>(url, {});
        SCOPED_TRACE(c.method.toStdString() + " " + std::to_string(c.reply.status));
        ASSERT_EQ(result.ok(), c.shown == nullptr);
        if (c.shown == nullptr || QByteArray(c.shown) == "?")
            continue;
        EXPECT_EQ(result.error().localizedDescription(), QString::fromUtf8(c.shown));
        if (c.error) {
            ASSERT_NE(result.error().httpError(), nullptr);
            EXPECT_EQ(*result.error().httpError(), *c.error);
        }
    }
    for (const int status : {400, 401, 403, 404, 405, 409, 410, 418, 422, 429, 500, 501, 503, 599}) {
        const QString path = u"/s"_s + QString::number(status);
        server.setReply("POST", path, TestHttpServer::json(status, R"({"message": "短信通道繁忙", "code": 9})"));
        const auto result = awaitPost<VerificationResponse>(HTTPUtil::endpointURL(path), {});
        ASSERT_FALSE(result.ok());
        ASSERT_NE(result.error().httpError(), nullptr) << status;
        EXPECT_EQ(*result.error().httpError(), HTTPUtilError::badResponse(status, u"短信通道繁忙"_s));
        EXPECT_EQ(result.error().localizedDescription(), u"短信通道繁忙"_s);
    }
}

TEST_F(HTTPUtilTest, AddressesThatAreNotHttpAreNeverFetchedAndARefusedConnectionIsATransportError)
{
    // Qt would read a file: URL from disk; such a reply is "not an HTTP reply" (status -1).
    const QUrl file = QUrl::fromLocalFile(QCoreApplication::applicationFilePath());
    const auto get = awaitGet<HitokotoResponse>(file);
    ASSERT_FALSE(get.ok());
    ASSERT_NE(get.error().httpError(), nullptr);
    EXPECT_EQ(*get.error().httpError(), HTTPUtilError::badStatus(-1));
    EXPECT_EQ(get.error().localizedDescription(), u"服务端返回 HTTP -1"_s);

    const auto post = awaitPost<HitokotoResponse>(QUrl(u"data:application/json,{}"_s), {});
    ASSERT_FALSE(post.ok());
    ASSERT_NE(post.error().httpError(), nullptr);
    EXPECT_EQ(*post.error().httpError(), HTTPUtilError::badResponse(-1, std::nullopt));
    EXPECT_TRUE(server.requests().isEmpty());

    QUrl closed;
    {
        TestHttpServer gone;
        closed = gone.baseURL().resolved(QUrl(u"/tasks/rules"_s));
    }
    const auto result = awaitGet<HitokotoResponse>(closed);
    ASSERT_FALSE(result.ok());
    ASSERT_NE(result.error().transportError(), nullptr);
    EXPECT_FALSE(result.error().transportError()->timedOut);
    EXPECT_EQ(result.error().transportError()->code, QNetworkReply::ConnectionRefusedError);
    EXPECT_EQ(result.error().localizedDescription(), u"无法连接服务器：连接被拒绝。"_s)
        << "in Chinese, not Qt's English";
}

TEST_F(HTTPUtilTest, GetAndPostSendOnlyTheirHeadersAndPathsLandUnderABaseURLThatOnlyAWebAddressMayReplace)
{
    server.setReply("GET", u"/app/version/latest"_s, TestHttpServer::json(200, kVerificationReply));
    ASSERT_TRUE(awaitGet<VerificationResponse>(HTTPUtil::endpointURL(u"/app/version/latest"_s)).ok());
    ASSERT_EQ(server.requests().size(), 1);
    const TestHttpServer::Request& get = server.requests().first();
    EXPECT_TRUE(get.method == "GET" && get.body.isEmpty());
    EXPECT_EQ(get.header("Accept"), "application/json");
    // Beside Accept, only what Qt's HTTP stack always sends.
    EXPECT_EQ(sortedHeaderNames(get),
              (QList<QByteArray>{"Accept", "Accept-Encoding", "Accept-Language", "Connection", "Host", "User-Agent"}));

    server.setReply("POST", u"/sms/send"_s, TestHttpServer::json(200, kVerificationReply));
    const QJsonObject body = VerificationRequest::phone(u"13800138000"_s).toJSON();
    ASSERT_TRUE(awaitPost<VerificationResponse>(HTTPUtil::endpointURL(u"sms/send"_s), body).ok());
    ASSERT_EQ(server.requests().size(), 2);
    const TestHttpServer::Request& request = server.requests().last();
    EXPECT_EQ(request.body, R"({"phone_number":"13800138000"})");
    EXPECT_GT(request.headerNames().indexOf("Content-Type"), request.headerNames().indexOf("Accept"));
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_EQ(sortedHeaderNames(request),
              (QList<QByteArray>{"Accept", "Accept-Encoding", "Accept-Language", "Connection", "Content-Length",
                                 "Content-Type", "Host", "User-Agent"}));

    const QUrl base = server.baseURL();
    // Only one slash is taken off; the rest of the path is kept as given.
    EXPECT_EQ(HTTPUtil::endpointURL(u"//x"_s).path(), u"//x"_s);

    // A base with a path of its own keeps it.
    qputenv("SWEEPORA_SERVICE_URL", base.toEncoded() + "/api");
    EXPECT_EQ(HTTPUtil::endpointURL(u"/market/tasks"_s).path(), u"/api/market/tasks"_s);
    qputenv("SWEEPORA_SERVICE_URL", base.toEncoded() + "/api/");
    EXPECT_EQ(HTTPUtil::endpointURL(u"market/tasks"_s).path(), u"/api/market/tasks"_s);

    // Only a web address from the environment replaces the built-in ones.
    for (const char* bad : {"ftp://127.0.0.1:21", "not a url", "http://", "http://127.0.0.1:9/?x=1", "file:///tmp"}) {
        qputenv("SWEEPORA_SERVICE_URL", bad);
        qputenv("SWEEPORA_POEM_URL", bad);
        EXPECT_EQ(HTTPUtil::serviceBaseURL(), QUrl(u"http://127.0.0.1:8787"_s)) << bad;
        EXPECT_EQ(HTTPUtil::poemURL().host(), u"v1.hitokoto.cn"_s) << bad;
    }
    qunsetenv("SWEEPORA_POEM_URL");
    EXPECT_EQ(HTTPUtil::poemURL().query(), u"c=i"_s);
}

TEST_F(HTTPUtilTest, ACallWhoseContextIsGoneNeverCompletesAndTheGuardRefusesEveryHostButLoopback)
{
    server.setReply("GET", u"/slow"_s, TestHttpServer::silent());
    useTimeouts(60'000, 100);
    int orphanCalls = 0;
    {
        QObject context;
        HTTPUtil::getJSON<HitokotoResponse>(HTTPUtil::endpointURL(u"slow"_s), &context,
                                            [&](const ServiceResult<HitokotoResponse>&) { ++orphanCalls; });
    }
    // Same limit, started later: by the time it ends, the first request has ended too.
    const auto later = awaitGet<HitokotoResponse>(HTTPUtil::endpointURL(u"slow"_s));
    EXPECT_FALSE(later.ok());
    EXPECT_EQ(orphanCalls, 0);

    // The guard refuses every host but loopback (192.0.2.1, for documentation, would not answer anyway).
    useTimeouts(2'000, 2'000);
    const auto result = awaitGet<HitokotoResponse>(QUrl(u"http://192.0.2.1/"_s));
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(guard.hostsRefused(), QStringList{u"192.0.2.1"_s});
    expectedRefusals = guard.hostsRefused();
}

TEST_F(HTTPUtilTest, SilentServerEndsAGetAtTheIdleLimitAndAPostAtTheWholeExchangeLimit)
{
    server.setReply("GET", u"/market/tasks"_s, TestHttpServer::silent());
    server.setReply("POST", u"/market/tasks"_s, TestHttpServer::silent());
    for (const bool post : {false, true}) {
        useTimeouts(post ? 60'000 : 100, post ? 100 : 60'000);
        const QUrl url = HTTPUtil::endpointURL(u"/market/tasks"_s);
        const auto result = post ? awaitPost<VerificationResponse>(url, {}) : awaitGet<VerificationResponse>(url);
        ASSERT_FALSE(result.ok());
        ASSERT_NE(result.error().transportError(), nullptr);
        EXPECT_TRUE(result.error().transportError()->timedOut);
        EXPECT_EQ(result.error().localizedDescription(), u"请求超时。"_s);
    }
    EXPECT_EQ(server.requests().size(), 2);
}

// Sending and checking run end to end against the real service (a "+" included); here, that every
// reserved character of the check's query is encoded.
TEST(ServiceEndpoints, TheCheckQueryEncodesEveryReservedCharacter)
{
    const QUrl url = ServiceEndpoints::checkCodeURL(VerificationRequest::email(u"x&code=1#@例.cn"_s), u"1 2"_s);
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItems(QUrl::FullyDecoded),
              (QList<QPair<QString, QString>>{{u"email_address"_s, u"x&code=1#@例.cn"_s}, {u"code"_s, u"1 2"_s}}));
    EXPECT_FALSE(url.hasFragment());
    EXPECT_EQ(url.path(), u"/email/check"_s);
}

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

TEST(WireRuleTest, RequiredRuleKeysMustBePresentWithTheirTypesAndUploadsCarryTheLocalFormSorted)
{
    const auto check = [](const QByteArrayList& rules) { return failure<CloudTaskEnvelope>(cloudRules(rules)); };

    const QByteArray rest = R"("PackName": "p", "Description": "")";
    for (const auto& [keys, where] : {std::pair{R"("Name": null, "Paths": [])", "Name"},
                                      {R"("Name": "n", "Paths": ["a", 2])", "Paths[1]"},
                                      {R"("Name": "n", "Paths": "a")", "Paths"},
                                      {R"("App": 1, "Name": "n", "Paths": [])", "App"},
                                      {R"("Notice": "0", "Name": "n", "Paths": [])", "Notice"},
                                      {R"("Notice": 0.5, "Name": "n", "Paths": [])", "Notice"}})
        EXPECT_EQ(check({"{" + QByteArray(keys) + ", " + rest + "}"}),
                  "wrongType data[0].rule_json." + std::string(where));
    EXPECT_EQ(check({R"(["Name"])"}), "wrongType data[0].rule_json");

    // One incomplete rule fails the whole list.
    EXPECT_EQ(check({R"({"Name": "a", "Paths": [], "PackName": "p", "Description": ""})",
                     R"({"Name": "b", "Paths": [], "Description": ""})"}),
              "missingKey data[1].rule_json.PackName");
    EXPECT_EQ(failure<MarketTaskEnvelope>(
                  listReply({workshopEntry(1, 1, R"({"Paths": [], "PackName": "p", "Description": ""})")})),
              "missingKey data[0].rule_json.Name");

    // The notice is not representable as a double.
    const CleanupRule rule{
        false, u"微信 小程序缓存"_s, {u"USERFOLDER/a"_s, u"/b"_s}, 9'007'199'254'740'993, u"com.tencent.mm"_s, {}};

    EXPECT_EQ(compact(UploadMarketTaskRequest{rule}.toJSON()),
              QByteArray(R"({"rule_json":{"App":false,"Description":"","Name":"微信 小程序缓存",)"
                         R"("Notice":9007199254740993,"PackName":"com.tencent.mm","Paths":["USERFOLDER/a","/b"]}})"));

    // What goes up comes back as the same rule through the service's form.
    const auto result = HTTPUtil::decode<CloudTaskEnvelope>(cloudRules({compact(rule.toJsonObject())}));
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value().data.value(0).ruleJSON.toCleanupRule(), rule);
}

TEST(WireRecordTest, EnvelopesNeedCodeMessageAndTheirDataIgnoreUnknownKeysAndSayWhatIsWrongWhere)
{
    EXPECT_EQ(failure<CloudTaskEnvelope>(R"({"message": "", "data": []})"), "missingKey code");
    EXPECT_EQ(failure<CloudTaskEnvelope>(R"({"code": "0", "message": "", "data": []})"), "wrongType code");
    EXPECT_EQ(failure<CloudTaskEnvelope>(R"({"code": 0, "data": []})"), "missingKey message");
    EXPECT_EQ(failure<CloudTaskEnvelope>(R"({"code": 0, "message": ""})"), "missingKey data");
    EXPECT_EQ(failure<MarketTaskEnvelope>(R"({"code": 0, "message": "", "data": null})"), "wrongType data");
    EXPECT_EQ(failure<MarketTaskEnvelope>(R"({"code": 0, "message": "", "data": {}})"), "wrongType data");
    EXPECT_EQ(failure<UploadMarketTaskEnvelope>(R"({"code": 0, "message": "", "data": null})"), "wrongType data");
    EXPECT_EQ(failure<VerificationResponse>(R"({"code": 1})"), "missingKey message");
    EXPECT_EQ(failure<VerificationResponse>(R"([{"code": 1, "message": ""}])"), "wrongType ");
    EXPECT_EQ(failure<VerificationResponse>(""), "notJSON ");
    EXPECT_EQ(failure<VerificationResponse>(R"({"code": 1, "message": "")"), "notJSON ");
    EXPECT_EQ(failure<HitokotoResponse>(R"({"id": 1})"), "missingKey hitokoto");
    // An upload's result needs its reason even when approved.
    EXPECT_EQ(failure<UploadMarketTaskEnvelope>(R"({"code": 0, "message": "", "data": {"id": 1, "allow": 1}})"),
              "missingKey data.reason");

    const auto empty = HTTPUtil::decode<MarketTaskEnvelope>(R"({"code": 5, "message": "m", "data": []})");
    ASSERT_TRUE(empty.ok());
    EXPECT_TRUE(empty.value().data.isEmpty() && empty.value().code == 5);

    // Unknown keys are ignored everywhere.
    const auto result = HTTPUtil::decode<MarketTaskEnvelope>(R"({"code": 0, "message": "", "extra": {"x": [1]},
        "data": [{"id": 3, "allow": 2, "created_at": "c", "updated_at": "u", "author": "someone",
                  "rule_json": {"Name": "n", "Paths": [], "PackName": "p", "Description": "", "Icon": 5}}]})");
    ASSERT_TRUE(result.ok());
    const MarketRule& rule = result.value().data.value(0);
    EXPECT_EQ(rule.id, 3);
    EXPECT_FALSE(rule.isApproved());
    EXPECT_EQ(QStringList({rule.createdAt, rule.updatedAt}), QStringList({u"c"_s, u"u"_s}));

    // Decoding errors say what and where.
    const auto said = [](const auto& result) { return result.ok() ? u"ok"_s : result.error().localizedDescription(); };
    EXPECT_EQ(said(HTTPUtil::decode<CloudTaskEnvelope>(R"({"code": 0, "message": "", "data": [
                       {"id": 1, "rule_json": {"Name": "", "Paths": [], "Description": ""}}]})")),
              u"服务端返回的数据缺少“data[0].rule_json.PackName”"_s);
    EXPECT_EQ(said(HTTPUtil::decode<VerificationResponse>(R"({"code": "1", "message": ""})")),
              u"服务端返回的数据中“code”不是整数"_s);
    EXPECT_TRUE(
        said(HTTPUtil::decode<VerificationResponse>("<html>")).startsWith(u"服务端返回的数据不是有效的 JSON"_s));
}

TEST(WireRecordTest, VersionRecordReadsEveryFieldOnlyMinimumVersionIsOptionalAndNoDataIsNoVersion)
{
    const char* full = R"({"code": 0, "message": "", "data": {"id": 4, "version": "1.4.0", "build_number": 140,
        "download_url": "https://example.com/d", "release_notes": "修复", "force_update": 1,
        "minimum_version": "1.0", "status": 2, "created_at": "2024-05-01T10:00:00Z", "updated_at": "u"}})";
    const auto result = HTTPUtil::decode<AppVersionEnvelope>(full);
    ASSERT_TRUE(result.ok()) << result.error().localizedDescription().toStdString();
    const AppVersionInfo& info = *result.value().data;
    EXPECT_EQ((QStringList{QString::number(info.id), info.version, QString::number(info.buildNumber), info.downloadURL,
                           info.releaseNotes, info.minimumVersion.value_or(u"-"_s), QString::number(info.status),
                           info.createdAt, info.updatedAt}),
              (QStringList{u"4"_s, u"1.4.0"_s, u"140"_s, u"https://example.com/d"_s, u"修复"_s, u"1.0"_s, u"2"_s,
                           u"2024-05-01T10:00:00Z"_s, u"u"_s}));
    EXPECT_TRUE(info.isForced());

    QJsonObject data = QJsonDocument::fromJson(full).object().value(u"data"_s).toObject();
    data.remove(u"minimum_version"_s);
    for (const QString& key : data.keys()) {
        QJsonObject without = data;
        without.remove(key);
        const QByteArray json = R"({"code":0,"message":"","data":)" + compact(without) + "}";
        EXPECT_EQ(failure(HTTPUtil::decode<AppVersionEnvelope>(json)), "missingKey data." + key.toStdString());
    }
    const auto optional =
        HTTPUtil::decode<AppVersionEnvelope>(R"({"code":0,"message":"","data":)" + compact(data) + "}");
    ASSERT_TRUE(optional.ok());
    EXPECT_FALSE(optional.value().data->minimumVersion.has_value());

    // Without data there is no version.
    for (const char* json : {R"({"code": 0, "message": ""})", R"({"code": 0, "message": "", "data": null})"}) {
        const auto result = HTTPUtil::decode<AppVersionEnvelope>(json);
        ASSERT_TRUE(result.ok()) << json;
        EXPECT_FALSE(result.value().data.has_value()) << json;
    }
    EXPECT_EQ(failure<AppVersionEnvelope>(R"({"code": 0, "message": "", "data": "1.2"})"), "wrongType data");
    EXPECT_EQ(failure<AppVersionEnvelope>(R"({"code": 0, "message": "", "data": {}})"), "missingKey data.id");
}

} // namespace
