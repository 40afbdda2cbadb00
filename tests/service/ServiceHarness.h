#pragma once

#include "CodeSender.h"
#include "Database.h"
#include "HttpServer.h"
#include "ServiceApi.h"
#include "ServiceStore.h"
#include "VerificationCodes.h"
#include "support/LogCapture.h"
#include "support/ServiceAwait.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <optional>

namespace Sweepora::ServiceTest {

// A clock that stands still until a test moves it.
class FakeClock
{
public:
    Service::ServiceClock function()
    {
        return [this] { return m_now.load(); };
    }
    void advance(qint64 ms) { m_now += ms; }

private:
    std::atomic<qint64> m_now{1'700'000'000'000};
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

// The PostgreSQL server that tests may use (SWEEPORA_TEST_PG_URL, a libpq URI), and whether the
// store and HTTP tests run on it (SWEEPORA_TEST_STORE=postgresql) rather than on SQLite.
std::optional<QString> testPostgresUrl();
inline bool testsUsePostgres()
{
    return qEnvironmentVariable("SWEEPORA_TEST_STORE") == QLatin1String("postgresql");
}
// A fresh database for one test: a file in `dir`, or on PostgreSQL a schema of its own.
QString freshDatabase(const QTemporaryDir& dir, bool postgres);

// A whole service in this process — database in a temporary folder, fake clock, development
// delivery whose log the test reads — serving on a free loopback port, with the application's
// client pointed at it through SWEEPORA_SERVICE_URL.
class ServiceHarness : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // The delivery (the development log), limits and connection handling the service uses.
    virtual std::unique_ptr<Service::CodeSender> makeSender();
    virtual Service::ServiceLimits limits() const { return {}; }
    virtual Service::HttpServer::Settings httpSettings() const { return {}; }
    // Tests of several instances need a database that several processes share.
    virtual bool needsPostgres() const { return false; }

    QStringList logLines() const;
    // The last code that the development log shows for `account`, or "" when there is none.
    QString codeFromLog(const QString& account) const;

    // Sends `request` as it is, from `source` (loopback) and to `port` (another instance) if given.
    RawReply exchange(const QByteArray& request, const QString& source = {}, int port = 0) const;
    RawReply send(const QByteArray& method, const QByteArray& target, const QByteArray& body = {},
                  const QByteArray& contentType = "application/json", const QByteArray& extraHeaders = {},
                  const QString& source = {}, int port = 0) const;

    Service::ServiceStore::Counts counts();

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
