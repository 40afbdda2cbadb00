#include "ServiceHarness.h"

#include "core/services/HTTPUtil.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTcpSocket>

namespace Sweepora::ServiceTest {

std::optional<QString> testPostgresUrl()
{
    const QString url = qEnvironmentVariable("SWEEPORA_TEST_PG_URL");
    return url.isEmpty() ? std::nullopt : std::optional(url);
}

QString freshDatabase(const QTemporaryDir& dir, bool postgres)
{
    if (!postgres)
        return dir.filePath(QStringLiteral("service.sqlite3"));
    const std::optional<QString> url = testPostgresUrl();
    if (!url)
        return {};
    static std::atomic<int> created{0};
    const QString schema = QStringLiteral("test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++created);
    Service::Database admin;
    QString error;
    if (!admin.open(*url, &error) || !admin.execute(("CREATE SCHEMA " + schema.toUtf8()).constData())) {
        ADD_FAILURE() << "PostgreSQL: " << error.toStdString() << admin.lastError().toStdString();
        return {};
    }
    return *url + (url->contains(u'?') ? u'&' : u'?') + QStringLiteral("options=-csearch_path%3D") + schema;
}

std::unique_ptr<Service::CodeSender> ServiceHarness::makeSender()
{
    return std::make_unique<Service::LogCodeSender>();
}

void ServiceHarness::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    const bool postgres = needsPostgres() || testsUsePostgres();
    if (postgres && !testPostgresUrl()) {
        // CI always has a server; elsewhere these tests wait for one.
        if (qEnvironmentVariable("CI") == QLatin1String("true"))
            FAIL() << "SWEEPORA_TEST_PG_URL is not set";
        GTEST_SKIP() << "no PostgreSQL server (SWEEPORA_TEST_PG_URL)";
    }
    m_log.emplace();
    QString error;
    address = freshDatabase(dir, postgres);
    ASSERT_TRUE(db.open(address, &error)) << error.toStdString();
    store = std::make_unique<Service::ServiceStore>(db);
    sender = makeSender();
    codes = std::make_unique<Service::VerificationCodes>(db, *sender, clock.function(), limits());
    api = std::make_unique<Service::ServiceApi>(*store, *codes, clock.function(), limits());
    server = std::make_unique<Service::HttpServer>(*api, httpSettings());
    ASSERT_TRUE(server->bind(QStringLiteral("127.0.0.1"), 0, &error)) << error.toStdString();
    server->start();
    qputenv("SWEEPORA_SERVICE_URL", "http://127.0.0.1:" + QByteArray::number(server->port()));
}

void ServiceHarness::TearDown()
{
    // The client keeps connections open, and the server would wait for them to idle out.
    Core::HTTPUtil::sharedSession().clearConnectionCache();
    QCoreApplication::processEvents();
    if (server)
        server->stop();
    server.reset();
    m_log.reset();
}

QStringList ServiceHarness::logLines() const
{
    return m_log ? m_log->lines() : QStringList();
}

QString ServiceHarness::codeFromLog(const QString& account) const
{
    const QRegularExpression pattern(QStringLiteral("=%1 code=([0-9]{4})$").arg(QRegularExpression::escape(account)));
    QString code;
    for (const QString& line : logLines())
        if (const QRegularExpressionMatch match = pattern.match(line); match.hasMatch())
            code = match.captured(1);
    return code;
}

RawReply ServiceHarness::exchange(const QByteArray& request, const QString& source, int port) const
{
    RawReply reply;
    QTcpSocket socket;
    if (!source.isEmpty())
        socket.bind(QHostAddress(source));
    socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(port > 0 ? port : server->port()));
    if (!socket.waitForConnected(5000))
        return reply;
    socket.write(request);
    socket.waitForBytesWritten(5000);
    // Until complete by its Content-Length: after a refusal the connection may stay open a while.
    QByteArray data;
    const auto complete = [&data] {
        const qsizetype end = data.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        const QRegularExpressionMatch length = QRegularExpression(QStringLiteral("\r\ncontent-length: *([0-9]+)"),
                                                                  QRegularExpression::CaseInsensitiveOption)
                                                   .match(QString::fromLatin1(data.left(end)));
        return length.hasMatch() && data.size() - end - 4 >= length.captured(1).toLongLong();
    };
    // A quick refusal may have arrived, with the connection's end, before the first wait.
    do
        data += socket.readAll();
    while (!complete() && socket.waitForReadyRead(10000));
    const qsizetype split = data.indexOf("\r\n\r\n");
    reply.head = data.left(split);
    reply.body = split < 0 ? QByteArray() : data.mid(split + 4);
    if (reply.head.startsWith("HTTP/1.1 "))
        reply.status = reply.head.mid(9, 3).toInt();
    return reply;
}

RawReply ServiceHarness::send(const QByteArray& method, const QByteArray& target, const QByteArray& body,
                              const QByteArray& contentType, const QByteArray& extraHeaders, const QString& source,
                              int port) const
{
    QByteArray request = method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (!contentType.isEmpty())
        request += "Content-Type: " + contentType + "\r\n";
    if (!extraHeaders.contains("Transfer-Encoding"))
        request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    request += extraHeaders + "\r\n" + body;
    return exchange(request, source, port);
}

Service::ServiceStore::Counts ServiceHarness::counts()
{
    const std::optional<Service::ServiceStore::Counts> c = store->counts();
    EXPECT_TRUE(c.has_value());
    return c.value_or(Service::ServiceStore::Counts{});
}

} // namespace Sweepora::ServiceTest
