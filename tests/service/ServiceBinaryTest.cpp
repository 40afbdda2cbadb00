// The real program: starts, serves the application's client, refuses to share its port with a
// second instance, stops cleanly on SIGTERM.
#include "ServiceHarness.h"

#include "services/ServiceEndpoints.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>

using namespace Sweepora;
using namespace Sweepora::Core;
using namespace Qt::StringLiterals;

TEST(ServiceBinaryTest, ServesOnAFreePortKeepsItsDatabasePrivateAndStopsOnSigterm)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString database = dir.filePath(u"data/service.sqlite3"_s);

    QProcess service;
    service.setProcessChannelMode(QProcess::SeparateChannels);
    service.start(QStringLiteral(SWEEPORA_SERVICE_PATH), {u"--db"_s, database, u"--listen"_s, u"127.0.0.1:0"_s});
    ASSERT_TRUE(service.waitForStarted());

    int port = 0;
    const QRegularExpression listening(u"正在监听 http://127.0.0.1:([0-9]+)"_s);
    QString output;
    ASSERT_TRUE(Sweepora::Test::waitUntil(
        [&] {
            output += QString::fromUtf8(service.readAllStandardOutput());
            if (const auto match = listening.match(output); match.hasMatch())
                port = match.captured(1).toInt();
            return port > 0 || service.state() == QProcess::NotRunning;
        },
        20000));
    ASSERT_GT(port, 0) << output.toStdString() << service.readAllStandardError().toStdString();

    qputenv("SWEEPORA_SERVICE_URL", "http://127.0.0.1:" + QByteArray::number(port));
    const auto rules = ServiceTest::await<CloudTaskEnvelope>(
        [](QObject* context, auto done) { ServiceEndpoints::fetchCloudRules(context, done); });
    ASSERT_TRUE(rules.ok()) << rules.error().localizedDescription().toStdString();
    EXPECT_TRUE(rules.value().data.isEmpty());

    // A second instance on the same port would take part of the requests to its own database.
    QProcess second;
    second.start(QStringLiteral(SWEEPORA_SERVICE_PATH),
                 {u"--db"_s, dir.filePath(u"other.sqlite3"_s), u"--listen"_s, u"127.0.0.1:%1"_s.arg(port)});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(second.readAllStandardError()).contains(u"端口已被占用"_s));

    EXPECT_EQ(QFileInfo(database).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    EXPECT_EQ(QFileInfo(dir.filePath(u"data"_s)).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);

    HTTPUtil::sharedSession().clearConnectionCache(); // else the stop waits for the idle connection
    ::kill(pid_t(service.processId()), SIGTERM);
    ASSERT_TRUE(service.waitForFinished(20000));
    EXPECT_EQ(service.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(service.readAllStandardOutput()).contains(u"已停止"_s));
}
