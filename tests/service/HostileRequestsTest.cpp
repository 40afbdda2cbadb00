// Attacks from the outside against a service on a free loopback port: floods, code guessing, slow and
// many connections (each from loopback addresses of its own), and hostile or broken requests, each of
// which gets a 4xx with a JSON message, stores nothing and leaves the service serving.
#include "ServiceHarness.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QThread>

using namespace Sweepora;
using namespace Sweepora::Service;
using namespace Sweepora::ServiceTest;
using namespace Qt::StringLiterals;

namespace {

QJsonObject rule(const QString& name = u"缓存"_s, const QString& path = u"USERFOLDER/.cache/x"_s)
{
    return Core::CleanupRule{true, name, {path}, 0, u"com.example"_s, {}}.toJsonObject();
}

// A rule with one key changed or, with an undefined value, removed.
QJsonObject ruleWith(const QString& key, const QJsonValue& value)
{
    QJsonObject changed = rule();
    value.isUndefined() ? void(changed.remove(key)) : void(changed.insert(key, value));
    return changed;
}

QList<qint64> listedIds(const RawReply& reply)
{
    QList<qint64> ids;
    for (const QJsonValue& entry : reply.json().value(u"data"_s).toArray())
        ids.append(entry.toObject().value(u"id"_s).toInteger());
    return ids;
}

class FloodTest : public ServiceHarness
{
protected:
    ServiceLimits limits() const override
    {
        return {.uploadsPerHour = 10000, .uploadsPerDay = 10000, .rowsPerClient = 10000};
    }
};

class LimitsTest : public ServiceHarness
{
protected:
    RawReply check(const QString& phone, const QString& code, const QString& source)
    {
        return send("GET", "/sms/check?phone_number=" + phone.toUtf8() + "&code=" + code.toUtf8(), {}, {}, {}, source);
    }
    RawReply upload(const QString& name, const QString& source)
    {
        return send("POST", "/market/tasks", uploadBody(rule(name)), "application/json", {}, source);
    }
    RawReply sendCode(const QString& phone)
    {
        return send("POST", "/sms/send", R"({"phone_number": ")" + phone.toUtf8() + "\"}");
    }
};

class SlowClientTest : public ServiceHarness
{
protected:
    HttpServer::Settings httpSettings() const override
    {
        return {.headerTimeout = std::chrono::milliseconds(1500), .connectionsPerClient = 4};
    }
    std::unique_ptr<QTcpSocket> connectFrom(const QString& source)
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->bind(QHostAddress(source));
        socket->connectToHost(u"127.0.0.1"_s, quint16(server->port()));
        EXPECT_TRUE(socket->waitForConnected(5000)) << source.toStdString();
        return socket;
    }
};

TEST_F(FloodTest, AFloodOfUploadsCannotPushOutWhatAnOperatorApproved)
{
    const RawReply logs = send("POST", "/market/tasks", uploadBody(rule(u"工坊"_s, u"USERFOLDER/Library/Logs/x"_s)));
    const qint64 held = logs.json()["data"_L1]["id"_L1].toInteger();
    ASSERT_EQ(store->setReview(held, ReviewState::approved, {}, 2), ServiceStore::Change::done);
    for (int i = 0; i < 520; ++i)
        ASSERT_EQ(send("POST", "/market/tasks", uploadBody(rule(u"洪水 %1"_s.arg(i)))).status, 200);

    const QList<qint64> first = listedIds(send("GET", "/market/tasks", {}, {}));
    EXPECT_EQ(first.size(), 1 + WorkshopListCache::kPageSize);
    EXPECT_TRUE(first.contains(held));
    const QList<qint64> second = listedIds(send("GET", "/market/tasks?page=2", {}, {}));
    EXPECT_EQ(second.size(), WorkshopListCache::kPageSize);
    EXPECT_FALSE(second.contains(held));
    EXPECT_LT(second.first(), first.at(1)); // older automatic approvals, newest first
    EXPECT_EQ(send("GET", "/market/tasks?page=0", {}, {}).status, 400);
}

TEST_F(LimitsTest, UploadsPerAddressAndCodeGuessesPerAccountAreLimitedAndTheCountsSurviveARestart)
{
    const ServiceLimits limits;
    for (int i = 0; i < limits.uploadsPerHour; ++i)
        ASSERT_EQ(upload(u"r%1"_s.arg(i), u"127.0.0.2"_s).status, 200);
    const RawReply refused = upload(u"多"_s, u"127.0.0.2"_s);
    EXPECT_EQ(refused.status, 429);
    EXPECT_TRUE(refused.message().contains(u"每小时最多上传 10 条"_s)) << refused.message().toStdString();
    EXPECT_EQ(upload(u"别处"_s, u"127.0.0.3"_s).status, 200);

    // Another process on the same database, as after a restart, still counts what was sent.
    Database again;
    ASSERT_TRUE(again.open(address, nullptr));
    ServiceStore store2(again);
    VerificationCodes codes2(again, *sender, clock.function());
    ServiceApi api2(store2, codes2, clock.function());
    ApiRequest request{"POST", u"/market/tasks"_s, {}, "application/json", uploadBody(rule(u"重启"_s)), u"127.0.0.2"_s};
    EXPECT_EQ(api2.handle(request).status, 429);
    clock.advance(2 * ServiceLimits::kHourMs);
    EXPECT_EQ(api2.handle(request).status, 200);

    // The database refuses growth past its size, whoever uploads.
    EXPECT_EQ(store2.addWorkshopEntry({}, ReviewState::held, {}, 1, u"192.0.2.9"_s, {.maxDatabaseBytes = 4096}).outcome,
              ServiceStore::Upload::Outcome::full);

    // Code guessing stops at the daily limit, across resends.
    const QString phone = u"13912345678"_s;
    QString code;
    for (int wrong = 0; wrong < limits.wrongChecksPerAccountPerDay; ++wrong) {
        if (wrong % VerificationCodes::kMaxWrongChecks == 0) {
            clock.advance(61'000);
            ASSERT_EQ(sendCode(phone).status, 200);
            code = codeFromLog(phone);
        }
        const QString guess = u"%1"_s.arg((code.toInt() + 1) % 10000, 4, 10, QChar(u'0'));
        ASSERT_EQ(check(phone, guess, u"127.0.0.5"_s).json().value(u"code"_s).toInt(-1), 0);
    }
    // Locked for the day: even the right code from another address is refused, and no new one is sent.
    clock.advance(61'000);
    const RawReply locked = check(phone, code, u"127.0.0.6"_s);
    EXPECT_EQ(locked.status, 429);
    EXPECT_TRUE(locked.message().contains(u"锁定"_s)) << locked.message().toStdString();
    EXPECT_EQ(sendCode(phone).status, 429);
    clock.advance(ServiceLimits::kDayMs + ServiceLimits::kHourMs);
    ASSERT_EQ(sendCode(phone).status, 200);
    EXPECT_EQ(check(phone, codeFromLog(phone), u"127.0.0.6"_s).json().value(u"code"_s).toInt(), 1);

    // One address checks at most so many times an hour, over all accounts.
    for (int i = 0; i < limits.checksPerClientPerHour; ++i)
        ASSERT_EQ(check(u"1391234%1"_s.arg(i, 4, 10, QChar(u'0')), u"0000"_s, u"127.0.0.7"_s).status, 200);
    const RawReply tooMany = check(u"13800000000"_s, u"0000"_s, u"127.0.0.7"_s);
    EXPECT_EQ(tooMany.status, 429);
    EXPECT_FALSE(tooMany.message().isEmpty());
}

TEST_F(SlowClientTest, FiftySlowConnectionsDoNotHoldUpOthersAndAreCutOffWhenTheirHeadersTakeTooLong)
{
    std::vector<std::unique_ptr<QTcpSocket>> slow;
    for (int i = 0; i < 50; ++i) {
        slow.push_back(connectFrom(u"127.0.0.%1"_s.arg(10 + i)));
        slow.back()->write("GET /tasks/rules HTTP/1.1\r\nHost: 127.0.0.1\r\n");
        slow.back()->waitForBytesWritten(1000);
    }
    QElapsedTimer timer;
    timer.start();
    const RawReply normal = send("GET", "/tasks/rules", {}, {}, {}, u"127.0.0.2"_s);
    EXPECT_EQ(normal.status, 200);
    EXPECT_LT(timer.elapsed(), 1000);

    // A header line now and then does not stretch the deadline for the whole headers.
    QByteArray answer;
    while (timer.elapsed() < 4000 && answer.isEmpty()) {
        slow.front()->write("X-Slow: 1\r\n");
        if (slow.front()->waitForReadyRead(300))
            answer = slow.front()->readAll();
    }
    while (!answer.endsWith('}') && slow.front()->waitForReadyRead(1000)) // headers and body may come apart
        answer += slow.front()->readAll();
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 408")) << answer.constData();
    EXPECT_TRUE(answer.contains("{\"message\":")) << answer.constData();
    EXPECT_LT(timer.elapsed(), 3000);
}

TEST_F(SlowClientTest, OneAddressGetsOnlySoManyConnections)
{
    std::vector<std::unique_ptr<QTcpSocket>> open;
    for (int i = 0; i < httpSettings().connectionsPerClient; ++i)
        open.push_back(connectFrom(u"127.0.0.3"_s));
    QThread::msleep(200); // until each is being served
    const RawReply refused = send("GET", "/tasks/rules", {}, {}, {}, u"127.0.0.3"_s);
    EXPECT_EQ(refused.status, 429);
    EXPECT_FALSE(refused.message().isEmpty());
    EXPECT_EQ(send("GET", "/tasks/rules", {}, {}, {}, u"127.0.0.4"_s).status, 200);
}

class BadInputTest : public ServiceHarness
{
protected:
    void expectStillServing()
    {
        const RawReply reply = send("GET", "/tasks/rules", {}, {});
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.json().value(u"code"_s).toInt(), 200);
    }
};

TEST_F(BadInputTest, MalformedOversizedOrEncodedBodiesWrongTypesAndIncompleteChecksAreRefusedWithAMessage)
{
    const std::tuple<QByteArray, QByteArray, QByteArray> cases[] = {
        {"POST", "/market/tasks", "{\"rule_json\": "},
        {"POST", "/market/tasks", ""},
        {"POST", "/market/tasks", "[]"},
        {"POST", "/market/tasks", "{\"rule_json\": \"text\"}"},
        {"POST", "/market/tasks", "{\"rule\": {}}"},
        {"POST", "/market/tasks", uploadBody(ruleWith(u"Paths"_s, u"USERFOLDER/.cache/x"_s))},
        {"POST", "/market/tasks", uploadBody(ruleWith(u"Name"_s, 7))},
        {"POST", "/market/tasks", uploadBody(ruleWith(u"Notice"_s, 0.5))},
        {"POST", "/market/tasks", uploadBody(ruleWith(u"PackName"_s, QJsonValue::Undefined))},
        {"POST", "/market/tasks", "{\"rule_json\": {\"Name\": \"\xff\xfe\"}}"},
        {"POST", "/sms/send", "{\"phone_number\": 13912345678}"},
        {"POST", "/sms/send", "{}"},
        {"POST", "/sms/send", "{\"phone_number\": \"13912345678\", \"email_address\": \"a@b.cn\"}"},
        {"POST", "/email/send", "{\"email_address\": [\"a@b.cn\"]}"},
        {"POST", "/email/send", "null"},
        {"GET", "/sms/check?phone_number=13912345678", {}},
        {"GET", "/sms/check?code=1234", {}},
        {"GET", "/sms/check?phone_number=13912345678&code=1&code=2", {}},
        {"GET", "/email/check?email_address=a%00b%40c.cn&code=1234", {}},
        {"GET", "/email/check?email_address=%3Cx%3E%40c.cn&code=1234", {}},
    };
    for (const auto& [method, target, body] : cases) {
        const RawReply reply = send(method, target, body, method == "GET" ? QByteArray() : "application/json");
        EXPECT_EQ(reply.status, 400) << target.constData() << " " << body.constData();
        EXPECT_FALSE(reply.message().isEmpty()) << reply.body.constData();
    }

    // Oversized, chunked and compressed bodies are refused before they are read.
    const RawReply big =
        send("POST", "/market/tasks", uploadBody(ruleWith(u"Description"_s, QString(70 * 1024, u'x'))));
    EXPECT_EQ(big.status, 413);
    EXPECT_EQ(big.message(), u"请求内容过大（最多 64 KB）"_s);

    // A chunked body has no length to check, and a compressed one could unpack to far more.
    const QByteArray small = uploadBody(rule());
    const QByteArray chunked = QByteArray::number(small.size(), 16) + "\r\n" + small + "\r\n0\r\n\r\n";
    EXPECT_EQ(send("POST", "/market/tasks", chunked, "application/json", "Transfer-Encoding: chunked\r\n").status, 411);
    EXPECT_EQ(send("POST", "/market/tasks", small, "application/json", "Content-Encoding: gzip\r\n").status, 415);
    EXPECT_EQ(send("POST", "/market/tasks", small, "text/plain").status, 415);
    // Nothing at all was written by the requests above.
    const ServiceStore::Counts stored = counts();
    EXPECT_EQ(stored.approved + stored.held + stored.rejected, 0);
    EXPECT_EQ(stored.codes, 0);
    expectStillServing();
}

TEST_F(BadInputTest, UnknownPathsAndMethodsGetJsonRefusalsSqlIsNeverRunAndAStoreFailureIsAJsonRefusal)
{
    // Methods and requests the HTTP library itself refuses (BREW, garbage) still answer in JSON.
    for (const auto& [method, target, status] : {std::tuple{"GET", "/tasks/rules/../../etc/passwd", 404},
                                                 {"GET", "/", 404},
                                                 {"DELETE", "/market/tasks", 405},
                                                 {"POST", "/sms/check", 405},
                                                 {"GET", "/sms/send", 405},
                                                 {"BREW", "/tasks/rules", 400}}) {
        const RawReply reply = send(method, target, {}, {});
        EXPECT_EQ(reply.status, status) << method << " " << target;
        EXPECT_FALSE(reply.message().isEmpty()) << method << " " << target;
    }
    const RawReply wrongMethod = send("DELETE", "/market/tasks", {}, {});
    EXPECT_TRUE(wrongMethod.head.contains("Allow: GET, POST")) << wrongMethod.head.constData();
    const RawReply garbage = exchange("this is not http\r\n\r\n");
    EXPECT_EQ(garbage.status, 400);
    EXPECT_FALSE(garbage.message().isEmpty());
    // A Range would cut the JSON short: it is ignored.
    const RawReply ranged = send("GET", "/tasks/rules", {}, {}, "Range: bytes=0-5\r\n");
    EXPECT_EQ(ranged.status, 200);
    EXPECT_EQ(ranged.json().value(u"code"_s).toInt(), 200) << ranged.body.constData();

    // SQL metacharacters are stored as text or refused, never run.
    const QString injection = u"x'); DROP TABLE market_tasks; --\" OR 1=1 ;"_s;
    QJsonObject hostile = rule(injection, u"USERFOLDER/.cache/"_s + injection);
    hostile.insert(u"Description"_s, injection);
    const RawReply accepted = send("POST", "/market/tasks", uploadBody(hostile));
    ASSERT_EQ(accepted.status, 200) << accepted.body.constData();

    // A PackName cannot carry them at all: the rule is held, but stored verbatim.
    hostile.insert(u"PackName"_s, injection);
    const RawReply held = send("POST", "/market/tasks", uploadBody(hostile));
    ASSERT_EQ(held.status, 200);
    EXPECT_EQ(held.json().value(u"data"_s).toObject().value(u"allow"_s).toInt(), 0);

    const QByteArray phone = QJsonDocument(QJsonObject{{u"phone_number"_s, injection}}).toJson();
    EXPECT_EQ(send("POST", "/sms/send", phone).status, 400);
    const RawReply guess = send("GET", "/sms/check?phone_number=13912345678&code=%27%20OR%20%271%27%3D%271", {}, {});
    EXPECT_EQ(guess.json().value(u"code"_s), 0);

    const std::optional<QList<Service::WorkshopEntry>> entries = store->workshopEntries();
    ASSERT_TRUE(entries && entries->size() == 2);
    EXPECT_EQ(entries->at(0).rule.packName, injection);
    EXPECT_EQ(entries->at(1).rule.name, injection);
    EXPECT_EQ(entries->at(1).rule.paths.value(0), u"USERFOLDER/.cache/"_s + injection);
    EXPECT_EQ(store->consistencyProblems().value_or(QStringList{u"check failed"_s}), QStringList{});
    expectStillServing();

    // A store failure is a JSON refusal and a readable log line.
    ASSERT_TRUE(db.execute("DROP TABLE cloud_rules"));
    const RawReply reply = send("GET", "/tasks/rules", {}, {});
    EXPECT_EQ(reply.status, 500);
    EXPECT_FALSE(reply.message().isEmpty());
    EXPECT_EQ(logLines().filter(u"[Store] 读取云端规则 失败："_s).size(), 1) << logLines().join(u'\n').toStdString();
}

} // namespace
