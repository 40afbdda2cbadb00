// Hostile and broken requests: each gets a 4xx with a JSON message, nothing is stored, and the
// service keeps serving.
#include "ServiceHarness.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Sweepora;
using namespace Sweepora::ServiceTest;
using namespace Qt::StringLiterals;

namespace {

class BadInputTest : public ServiceHarness
{
protected:
    // Nothing at all was written by the requests so far.
    void expectNothingStored()
    {
        const Service::ServiceStore::Counts c = counts();
        EXPECT_EQ(c.approved + c.held + c.rejected, 0);
        EXPECT_EQ(c.codes, 0);
    }

    void expectStillServing()
    {
        const RawReply reply = send("GET", "/tasks/rules", {}, {});
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.json().value(u"code"_s).toInt(), 200);
    }
};

QByteArray uploadBody(const QJsonObject& rule)
{
    return QJsonDocument(QJsonObject{{u"rule_json"_s, rule}}).toJson(QJsonDocument::Compact);
}

QJsonObject goodRule()
{
    return QJsonObject{{u"App"_s, true},
                       {u"Name"_s, u"缓存"_s},
                       {u"Paths"_s, QJsonArray{u"USERFOLDER/.cache/x"_s}},
                       {u"Notice"_s, 0},
                       {u"PackName"_s, u"com.example"_s},
                       {u"Description"_s, u""_s}};
}

} // namespace

TEST_F(BadInputTest, MalformedBodiesAndWrongTypesAreRefusedWithAMessage)
{
    QJsonObject pathsAsText = goodRule();
    pathsAsText.insert(u"Paths"_s, u"USERFOLDER/.cache/x"_s);
    QJsonObject nameAsNumber = goodRule();
    nameAsNumber.insert(u"Name"_s, 7);
    QJsonObject noticeAsFraction = goodRule();
    noticeAsFraction.insert(u"Notice"_s, 0.5);
    QJsonObject withoutPackName = goodRule();
    withoutPackName.remove(u"PackName"_s);

    const QList<QPair<QByteArray, QByteArray>> cases = {
        {"/market/tasks", "{\"rule_json\": "},
        {"/market/tasks", ""},
        {"/market/tasks", "[]"},
        {"/market/tasks", "{\"rule_json\": \"text\"}"},
        {"/market/tasks", "{\"rule\": {}}"},
        {"/market/tasks", uploadBody(pathsAsText)},
        {"/market/tasks", uploadBody(nameAsNumber)},
        {"/market/tasks", uploadBody(noticeAsFraction)},
        {"/market/tasks", uploadBody(withoutPackName)},
        {"/market/tasks", "{\"rule_json\": {\"Name\": \"\xff\xfe\"}}"},
        {"/sms/send", "{\"phone_number\": 13912345678}"},
        {"/sms/send", "{}"},
        {"/sms/send", "{\"phone_number\": \"13912345678\", \"email_address\": \"a@b.cn\"}"},
        {"/email/send", "{\"email_address\": [\"a@b.cn\"]}"},
        {"/email/send", "null"},
    };
    for (const auto& [path, body] : cases) {
        const RawReply reply = send("POST", path, body);
        EXPECT_EQ(reply.status, 400) << path.constData() << " " << body.constData();
        EXPECT_FALSE(reply.message().isEmpty()) << reply.body.constData();
    }
    expectNothingStored();
    expectStillServing();
}

TEST_F(BadInputTest, OversizedChunkedAndCompressedBodiesAreRefusedBeforeTheyAreRead)
{
    QJsonObject huge = goodRule();
    huge.insert(u"Description"_s, QString(70 * 1024, u'x'));
    const RawReply big = send("POST", "/market/tasks", uploadBody(huge));
    EXPECT_EQ(big.status, 413);
    EXPECT_EQ(big.message(), u"请求内容过大（最多 64 KB）"_s);

    // A chunked body has no length to check, and a compressed one could unpack to far more.
    const QByteArray small = uploadBody(goodRule());
    const QByteArray chunked = QByteArray::number(small.size(), 16) + "\r\n" + small + "\r\n0\r\n\r\n";
    EXPECT_EQ(send("POST", "/market/tasks", chunked, "application/json", "Transfer-Encoding: chunked\r\n").status, 411);
    EXPECT_EQ(send("POST", "/market/tasks", small, "application/json", "Content-Encoding: gzip\r\n").status, 415);
    EXPECT_EQ(send("POST", "/market/tasks", small, "text/plain").status, 415);
    expectNothingStored();
    expectStillServing();
}

TEST_F(BadInputTest, UnknownPathsAndMethodsGetJsonRefusals)
{
    const RawReply unknown = send("GET", "/tasks/rules/../../etc/passwd", {}, {});
    EXPECT_EQ(unknown.status, 404);
    EXPECT_FALSE(unknown.message().isEmpty());
    EXPECT_EQ(send("GET", "/", {}, {}).status, 404);

    const RawReply wrongMethod = send("DELETE", "/market/tasks", {}, {});
    EXPECT_EQ(wrongMethod.status, 405);
    EXPECT_TRUE(wrongMethod.head.contains("Allow: GET, POST")) << wrongMethod.head.constData();
    EXPECT_EQ(send("POST", "/sms/check", "{}").status, 405);
    EXPECT_EQ(send("GET", "/sms/send", {}, {}).status, 405);

    // Methods and requests the HTTP library itself refuses still answer in JSON.
    const RawReply invented = send("BREW", "/tasks/rules", {}, {});
    EXPECT_EQ(invented.status, 400);
    EXPECT_FALSE(invented.message().isEmpty());
    const RawReply garbage = exchange("this is not http\r\n\r\n");
    EXPECT_EQ(garbage.status, 400);
    EXPECT_FALSE(garbage.message().isEmpty());
    // A Range would cut the JSON short: it is ignored.
    const RawReply ranged = send("GET", "/tasks/rules", {}, {}, "Range: bytes=0-5\r\n");
    EXPECT_EQ(ranged.status, 200);
    EXPECT_EQ(ranged.json().value(u"code"_s).toInt(), 200) << ranged.body.constData();
    expectStillServing();
}

TEST_F(BadInputTest, AStoreFailureIsAJsonRefusalAndAReadableLogLine)
{
    ASSERT_TRUE(db.execute("DROP TABLE cloud_rules"));
    const RawReply reply = send("GET", "/tasks/rules", {}, {});
    EXPECT_EQ(reply.status, 500);
    EXPECT_FALSE(reply.message().isEmpty());
    EXPECT_EQ(logLines().filter(u"[Store] 读取云端规则 失败："_s).size(), 1) << logLines().join(u'\n').toStdString();
}

TEST_F(BadInputTest, ChecksWithMissingOrRepeatedItemsAreRefused)
{
    for (const QByteArray& target :
         {QByteArray("/sms/check?phone_number=13912345678"), QByteArray("/sms/check?code=1234"),
          QByteArray("/sms/check?phone_number=13912345678&code=1&code=2"),
          QByteArray("/email/check?email_address=a%00b%40c.cn&code=1234"),
          QByteArray("/email/check?email_address=%3Cx%3E%40c.cn&code=1234")}) {
        const RawReply reply = send("GET", target, {}, {});
        EXPECT_EQ(reply.status, 400) << target.constData();
        EXPECT_FALSE(reply.message().isEmpty());
    }
    expectNothingStored();
}

TEST_F(BadInputTest, SqlMetacharactersAreStoredAsTextOrRefusedNeverRun)
{
    const QString injection = u"x'); DROP TABLE market_tasks; --\" OR 1=1 ;"_s;
    QJsonObject rule = goodRule();
    rule.insert(u"Name"_s, injection);
    rule.insert(u"Description"_s, injection);
    rule.insert(u"Paths"_s, QJsonArray{u"USERFOLDER/.cache/"_s + injection});
    const RawReply accepted = send("POST", "/market/tasks", uploadBody(rule));
    ASSERT_EQ(accepted.status, 200) << accepted.body.constData();

    // A PackName cannot carry them at all: the rule is held, but stored verbatim.
    rule.insert(u"PackName"_s, injection);
    const RawReply held = send("POST", "/market/tasks", uploadBody(rule));
    ASSERT_EQ(held.status, 200);
    EXPECT_EQ(held.json().value(u"data"_s).toObject().value(u"allow"_s).toInt(), 0);

    EXPECT_EQ(send("POST", "/sms/send", QJsonDocument(QJsonObject{{u"phone_number"_s, injection}}).toJson()).status,
              400);
    EXPECT_EQ(send("GET", "/sms/check?phone_number=13912345678&code=%27%20OR%20%271%27%3D%271", {}, {})
                  .json()
                  .value(u"code"_s),
              0);

    const std::optional<QList<Service::WorkshopEntry>> entries = store->workshopEntries();
    ASSERT_TRUE(entries && entries->size() == 2);
    EXPECT_EQ(entries->at(0).rule.packName, injection);
    EXPECT_EQ(entries->at(1).rule.name, injection);
    EXPECT_EQ(entries->at(1).rule.paths.value(0), u"USERFOLDER/.cache/"_s + injection);
    EXPECT_EQ(store->consistencyProblems().value_or(QStringList{u"check failed"_s}), QStringList{});
    expectStillServing();
}
