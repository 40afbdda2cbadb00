#pragma once

#include "CodeSender.h"
#include "Database.h"
#include "HttpServer.h"
#include "ServiceApi.h"
#include "ServiceStore.h"
#include "VerificationCodes.h"
#include "core/services/HTTPUtil.h"
#include "support/LogCapture.h"
#include "support/ServiceAwait.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <optional>

namespace Sweepora::ServiceTest {

// A clock that stands still until a test moves it.
struct FakeClock
{
    Service::ServiceClock function()
    {
        return [this] { return now.load(); };
    }
    void advance(qint64 ms) { now += ms; }

    std::atomic<qint64> now{1'700'000'000'000};
};

// What came back from a raw exchange on a socket.
struct RawReply
{
    int status = -1;
    QByteArray head; // status line and headers
    QByteArray body;

    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    QString message() const { return json().value(QStringLiteral("message")).toString(); }
};

// An upload's body: `rule` in the service's form.
inline QByteArray uploadBody(const QJsonObject& rule)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("rule_json"), rule}}).toJson(QJsonDocument::Compact);
}

// The PostgreSQL server that tests may use (SWEEPORA_TEST_PG_URL, a libpq URI), and whether the
// store and HTTP tests run on it (SWEEPORA_TEST_STORE=postgresql) rather than on SQLite.
inline std::optional<QString> testPostgresUrl()
{
    const QString url = qEnvironmentVariable("SWEEPORA_TEST_PG_URL");
    return url.isEmpty() ? std::nullopt : std::optional(url);
}
inline bool testsUsePostgres()
{
    return qEnvironmentVariable("SWEEPORA_TEST_STORE") == QLatin1String("postgresql");
}
// A fresh database for one test: a file in `dir`, or on PostgreSQL a schema of its own.
inline QString freshDatabase(const QTemporaryDir& dir, bool postgres)
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

// A whole service in this process — database in a temporary folder, fake clock, development
// delivery whose log the test reads — serving on a free loopback port, with the application's
// client pointed at it through SWEEPORA_SERVICE_URL.
class ServiceHarness : public ::testing::Test
{
protected:
    void SetUp() override
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

    void TearDown() override
    {
        // The client keeps connections open, and the server would wait for them to idle out.
        Core::HTTPUtil::sharedSession().clearConnectionCache();
        QCoreApplication::processEvents();
        if (server)
            server->stop();
        server.reset();
        m_log.reset();
    }

    // The delivery (the development log), limits and connection handling the service uses.
    virtual std::unique_ptr<Service::CodeSender> makeSender() { return std::make_unique<Service::LogCodeSender>(); }
    virtual Service::ServiceLimits limits() const { return {}; }
    virtual Service::HttpServer::Settings httpSettings() const { return {}; }
    // Tests of several instances need a database that several processes share.
    virtual bool needsPostgres() const { return false; }

    QStringList logLines() const { return m_log ? m_log->lines() : QStringList(); }

    // The last code that the development log shows for `account`, or "" when there is none.
    QString codeFromLog(const QString& account) const
    {
        const QRegularExpression pattern(
            QStringLiteral("=%1 code=([0-9]{4})$").arg(QRegularExpression::escape(account)));
        QString code;
        for (const QString& line : logLines())
            if (const QRegularExpressionMatch match = pattern.match(line); match.hasMatch())
                code = match.captured(1);
        return code;
    }

    // Sends `request` as it is, from `source` (loopback) and to `port` (another instance) if given.
    RawReply exchange(const QByteArray& request, const QString& source = {}, int port = 0) const
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

    RawReply send(const QByteArray& method, const QByteArray& target, const QByteArray& body = {},
                  const QByteArray& contentType = "application/json", const QByteArray& extraHeaders = {},
                  const QString& source = {}, int port = 0) const
    {
        QByteArray request = method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
        if (!contentType.isEmpty())
            request += "Content-Type: " + contentType + "\r\n";
        if (!extraHeaders.contains("Transfer-Encoding"))
            request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        request += extraHeaders + "\r\n" + body;
        return exchange(request, source, port);
    }

    Service::ServiceStore::Counts counts()
    {
        const std::optional<Service::ServiceStore::Counts> c = store->counts();
        EXPECT_TRUE(c.has_value());
        return c.value_or(Service::ServiceStore::Counts{});
    }

    QTemporaryDir dir;
    QString address; // of the database, for other connections to it
    FakeClock clock;
    Service::Database db;
    std::unique_ptr<Service::ServiceStore> store;
    std::unique_ptr<Service::CodeSender> sender;
    std::unique_ptr<Service::VerificationCodes> codes;
    std::unique_ptr<Service::ServiceApi> api;
    std::unique_ptr<Service::HttpServer> server;

private:
    std::optional<Sweepora::Test::LogCapture> m_log;
};

using Test::await;

} // namespace Sweepora::ServiceTest
