// What operators and their tools see: /healthz, /metrics in Prometheus's text format, JSON log
// lines, and the real program, which serves the application's client, keeps its database private,
// refuses to share its port and on SIGTERM finishes the requests it accepted.
#include "ServiceHarness.h"

#include "core/services/ServiceEndpoints.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>

#include <csignal>
#include <thread>

using namespace Sweepora;
using namespace Sweepora::Service;
using namespace Sweepora::ServiceTest;
using namespace Qt::StringLiterals;

namespace {

// A reader of the text exposition format, strict enough to catch what a scraper would reject:
// every sample belongs to a family whose TYPE came first, names and labels are well formed, values
// are numbers, and a histogram's buckets only grow and end with +Inf equal to its count.
struct Exposition
{
    QMap<QString, double> samples;             // "name{labels}" → value
    QList<std::pair<QString, double>> inOrder; // as they came
    QStringList problems;

    explicit Exposition(const QByteArray& text)
    {
        static const QRegularExpression typeLine(u"^# TYPE ([a-zA-Z_:][a-zA-Z0-9_:]*) (counter|gauge|histogram)$"_s);
        static const QRegularExpression sample(
            uR"(^([a-zA-Z_:][a-zA-Z0-9_:]*)(\{[a-zA-Z_][a-zA-Z0-9_]*="[^"\\]*"(,[a-zA-Z_][a-zA-Z0-9_]*="[^"\\]*")*\})? (\S+)$)"_s);
        QMap<QString, QString> types;
        for (const QByteArray& raw : text.split('\n')) {
            const QString line = QString::fromUtf8(raw);
            if (line.isEmpty() || line.startsWith(u"# HELP "_s))
                continue;
            if (const auto type = typeLine.match(line); type.hasMatch()) {
                types.insert(type.captured(1), type.captured(2));
                continue;
            }
            const auto match = sample.match(line);
            bool number = false;
            const double value = match.hasMatch() ? match.captured(4).toDouble(&number) : 0;
            const QString name = match.captured(1);
            const QString family = name.section(QRegularExpression(u"_(bucket|sum|count)$"_s), 0, 0);
            if (!match.hasMatch() || !number || (!types.contains(name) && types.value(family) != u"histogram"_s)) {
                problems.append(line);
                continue;
            }
            samples.insert(name + match.captured(2), value);
            inOrder.append({name + match.captured(2), value});
        }
        for (auto [name, type] : types.asKeyValueRange()) {
            if (type != u"histogram"_s)
                continue;
            double last = 0;
            for (const auto& [key, value] : inOrder)
                if (key.startsWith(name + u"_bucket{"_s)) {
                    if (value < last)
                        problems.append(key + u" shrinks"_s);
                    last = value;
                }
            if (samples.value(name + uR"(_bucket{le="+Inf"})"_s, -1) != samples.value(name + u"_count"_s, -2))
                problems.append(name + u": +Inf differs from the count"_s);
        }
    }
};

using OperationsTest = ServiceHarness;

TEST_F(OperationsTest, HealthFollowsTheDatabaseAndTheStopAndMetricsCountWhatHappened)
{
    EXPECT_EQ(send("GET", "/healthz").status, 200);
    ASSERT_EQ(send("GET", "/market/tasks").status, 200);
    ASSERT_EQ(send("GET", "/market/tasks").status, 200);
    ASSERT_EQ(send("POST", "/sms/send", R"({"phone_number": "13912345678"})").status, 200);
    ASSERT_EQ(send("GET", "/no/such/path").status, 404);
    ASSERT_TRUE(db.execute("DROP TABLE cloud_rules"));
    ASSERT_EQ(send("GET", "/tasks/rules").status, 500);

    const RawReply reply = send("GET", "/metrics");
    ASSERT_EQ(reply.status, 200);
    EXPECT_TRUE(reply.head.contains("text/plain; version=0.0.4"))
        << reply.head.toStdString() << reply.body.toStdString();
    const Exposition metrics(reply.body);
    EXPECT_TRUE(metrics.problems.isEmpty()) << metrics.problems.join(u'\n').toStdString();
    EXPECT_EQ(metrics.samples.value(uR"(sweepora_requests_total{endpoint="/market/tasks",status="200"})"_s), 2);
    EXPECT_EQ(metrics.samples.value(uR"(sweepora_requests_total{endpoint="other",status="404"})"_s), 1);
    EXPECT_EQ(metrics.samples.value(uR"(sweepora_requests_total{endpoint="/tasks/rules",status="500"})"_s), 1);
    EXPECT_EQ(metrics.samples.value(u"sweepora_request_duration_seconds_count"_s), 6);
    EXPECT_EQ(metrics.samples.value(u"sweepora_codes_sent_total"_s), 1);
    EXPECT_GE(metrics.samples.value(u"sweepora_database_errors_total"_s), 1);

    api->setStopping();
    const RawReply stopping = send("GET", "/healthz");
    EXPECT_EQ(stopping.status, 503);
    EXPECT_EQ(stopping.message(), u"not ready"_s);
}

// A connection to the service; none when it is refused.
std::unique_ptr<QTcpSocket> connectTo(int port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, quint16(port));
    return socket->waitForConnected(5000) ? std::move(socket) : nullptr;
}

// The reply's status; 0: the connection ended before any reply, -1: a reply was cut off. A service
// that stops answering fails the test instead of hanging it.
int replyStatus(QTcpSocket& socket)
{
    QByteArray reply = socket.readAll();
    while (socket.waitForReadyRead(30000))
        reply += socket.readAll();
    reply += socket.readAll();
    if (reply.isEmpty())
        return 0;
    const qsizetype split = reply.indexOf("\r\n\r\n");
    const auto length = QRegularExpression(u"Content-Length: ([0-9]+)"_s, QRegularExpression::CaseInsensitiveOption)
                            .match(QString::fromLatin1(reply.left(split)));
    const bool whole = split > 0 && length.hasMatch() && reply.size() - split - 4 == length.captured(1).toInt();
    return whole ? reply.mid(9, 3).toInt() : -1;
}

TEST(ServiceProgramTest, ServesAloneKeepsItsDatabasePrivateAndOnSigtermDuringABurstAnswersEveryAcceptedRequest)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    if (testsUsePostgres() && !testPostgresUrl())
        GTEST_SKIP() << "no PostgreSQL server (SWEEPORA_TEST_PG_URL)";
    // In a folder the program makes, as private as the database.
    const QString database = testsUsePostgres() ? freshDatabase(dir, true) : dir.filePath(u"data/service.sqlite3"_s);
    QProcess service;
    // Into a file: a full pipe, unread during the burst, would block every worker's next log line.
    const QString log = dir.filePath(u"service.log"_s);
    service.setStandardOutputFile(log);
    service.start(QStringLiteral(SWEEPORA_SERVICE_PATH),
                  {u"--db"_s, database, u"--listen"_s, u"127.0.0.1:0"_s, u"--log-format"_s, u"json"_s,
                   u"--uploads-per-hour"_s, u"100000"_s, u"--uploads-per-day"_s, u"100000"_s, u"--rows-per-client"_s,
                   u"100000"_s});
    int port = 0;
    QString output;
    ASSERT_TRUE(Sweepora::Test::waitUntil(
        [&] {
            QFile file(log);
            output = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
            const auto match = QRegularExpression(u"http://127.0.0.1:([0-9]+)"_s).match(output);
            port = match.hasMatch() ? match.captured(1).toInt() : 0;
            return port > 0 || service.state() == QProcess::NotRunning;
        },
        20000));
    ASSERT_GT(port, 0) << output.toStdString();
    // Every log line is one JSON object.
    EXPECT_TRUE(QJsonDocument::fromJson(output.section(u'\n', 0, 0).toUtf8()).isObject()) << output.toStdString();

    qputenv("SWEEPORA_SERVICE_URL", "http://127.0.0.1:" + QByteArray::number(port));
    const auto rules = await<Core::CloudTaskEnvelope>([](auto... a) { Core::ServiceEndpoints::fetchCloudRules(a...); });
    ASSERT_TRUE(rules.ok()) << rules.error().localizedDescription().toStdString();
    EXPECT_TRUE(rules.value().data.isEmpty());
    Core::HTTPUtil::sharedSession().clearConnectionCache(); // else the stop waits for the idle connection
    QCoreApplication::processEvents();
    for (const QString& path : {database, dir.filePath(u"data"_s)})
        EXPECT_TRUE(testsUsePostgres() ||
                    (QFileInfo(path).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)) == 0);

    // A second instance on the same port would take part of the requests to its own database.
    QProcess second;
    second.start(QStringLiteral(SWEEPORA_SERVICE_PATH),
                 {u"--db"_s, dir.filePath(u"other.sqlite3"_s), u"--listen"_s, u"127.0.0.1:%1"_s.arg(port)});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(second.readAllStandardError()).contains(u"端口已被占用"_s));

    const QByteArray body = R"({"rule_json":{"App":true,"Name":"停","Paths":["USERFOLDER/.cache/stop"],)"
                            R"("Notice":0,"PackName":"com.example","Description":""}})";
    const QByteArray request = "POST /market/tasks HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
                               "Content-Type: application/json\r\nContent-Length: " +
                               QByteArray::number(body.size()) + "\r\n\r\n" + body;
    std::atomic<int> answered{0}, cut{0}, started{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < 6; ++i)
        clients.emplace_back([&] {
            // Until the listener is gone; bounded in any case.
            for (int n = 0; n < 5000; ++n) {
                // Each on a connection of its own; 0 when the connection was refused.
                const std::unique_ptr<QTcpSocket> socket = connectTo(port);
                if (socket)
                    socket->write(request);
                const int status = socket ? replyStatus(*socket) : 0;
                if (status == 0 && started > 0)
                    break;
                if (status == 200)
                    ++answered;
                else if (status != 0)
                    ++cut;
                ++started;
            }
        });
    ASSERT_TRUE(Sweepora::Test::waitUntil([&] { return answered > 50; }, 20000));
    // A request whose body is still on its way when the stop comes is finished, not cut off.
    const std::unique_ptr<QTcpSocket> slow = connectTo(port);
    ASSERT_TRUE(slow);
    slow->write(request.chopped(10));
    slow->waitForBytesWritten(1000);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::kill(pid_t(service.processId()), SIGTERM);
    for (std::thread& client : clients)
        client.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    slow->write(request.right(10));
    EXPECT_EQ(replyStatus(*slow), 200);
    ++answered;
    ASSERT_TRUE(service.waitForFinished(15000));
    EXPECT_EQ(service.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service.exitCode(), 0);
    EXPECT_EQ(cut, 0) << answered << " answered";
    QFile logFile(log);
    EXPECT_TRUE(logFile.open(QIODevice::ReadOnly) && QString::fromUtf8(logFile.readAll()).contains(u"已停止"_s));

    // Nothing was stored without its reply, and nothing answered is missing.
    Database reopened;
    ASSERT_TRUE(reopened.open(database, nullptr));
    EXPECT_EQ(ServiceStore(reopened).counts()->approved + ServiceStore(reopened).counts()->held, answered.load());
}

} // namespace
