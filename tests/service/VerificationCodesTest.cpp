// Sign-in codes below HTTP: accounts, failed and SMTP delivery, what the log may say, restarts.
#include "ServiceHarness.h"

#include "Account.h"
#include "SmtpCodeSender.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

using namespace Sweepora;
using namespace Sweepora::Service;
using namespace Sweepora::ServiceTest;
using namespace Qt::StringLiterals;

namespace {

// A delivery that always fails, counting its attempts.
class FailingSender : public CodeSender
{
public:
    bool canReach(Channel) const override { return true; }
    Outcome deliver(const Account&, const QString& code) override
    {
        ++attempts;
        lastCode = code;
        return Outcome::failed;
    }
    bool mayLogSecrets() const override { return false; }
    std::atomic<int> attempts{0};
    QString lastCode;
};

// Just enough of an SMTP server on 127.0.0.1 to take one message (no STARTTLS offered).
class FakeSmtpServer : public QObject
{
public:
    FakeSmtpServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            socket->write("220 fake ESMTP\r\n");
            QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
        });
    }
    quint16 port() const { return m_server.serverPort(); }

    QStringList recipients;
    QByteArray data;
    bool finished = false;

private:
    void onData(QTcpSocket* socket)
    {
        m_buffer += socket->readAll();
        for (qsizetype end; (end = m_buffer.indexOf("\r\n")) >= 0;) {
            const QByteArray line = m_buffer.left(end);
            m_buffer.remove(0, end + 2);
            const QByteArray verb = line.left(4).toUpper();
            if (m_inData && line != ".")
                data += line + "\r\n";
            else if (m_inData)
                m_inData = false, finished = true, socket->write("250 queued\r\n");
            else if (verb == "RCPT")
                recipients.append(QString::fromUtf8(line)), socket->write("250 ok\r\n");
            else if (verb == "DATA")
                m_inData = true, socket->write("354 go on\r\n");
            else if (verb == "QUIT")
                socket->write("221 bye\r\n"), socket->disconnectFromHost();
            else // EHLO, HELO, MAIL
                socket->write("250 ok\r\n");
        }
    }

    QTcpServer m_server;
    QByteArray m_buffer;
    bool m_inData = false;
};

class FailingDeliveryTest : public ServiceHarness
{
protected:
    std::unique_ptr<CodeSender> makeSender() override { return std::make_unique<FailingSender>(); }
};

TEST(AccountTest, AccountsAndSmtpSettingsFollowTheirPatternsAndStayOutOfMailHeaders)
{
    for (const QString& good : {u"13912345678"_s, u"19900000000"_s})
        EXPECT_TRUE(Account::parse(Channel::phone, good)) << good.toStdString();
    for (const QString& bad :
         {u"12912345678"_s, u"1391234567"_s, u"139123456789"_s, u" 13912345678"_s, u"1391234567８"_s, u""_s})
        EXPECT_FALSE(Account::parse(Channel::phone, bad)) << bad.toStdString();

    const auto mixed = Account::parse(Channel::email, u"Someone.Else+tag@Example.COM"_s);
    ASSERT_TRUE(mixed);
    EXPECT_EQ(mixed->address(), u"someone.else+tag@example.com"_s);
    for (const QString& bad :
         {u"user@localhost"_s, u"a b@c.cn"_s, u"a@b@c.cn"_s, u"a\u3000b@c.cn"_s, u"a@b.cn\r\nBcc: x@y.cn"_s,
          u"<a@b.cn>"_s, u"a,b@c.cn"_s, u"\"a\"@b.cn"_s, QString(250, u'a') + u"@b.cn"_s})
        EXPECT_FALSE(Account::parse(Channel::email, bad)) << bad.toStdString();

    // SMTP settings must name an SMTP server and a sender that stays out of the headers.
    const QString from = u"noreply@example.com"_s;
    EXPECT_EQ((SmtpSettings{u"smtps://mail.example.com:465"_s, from, {}, {}, 20}.problem()), QString());
    EXPECT_NE((SmtpSettings{u"http://mail.example.com"_s, from, {}, {}, 20}.problem()), QString());
    EXPECT_NE((SmtpSettings{u"smtp://mail.example.com"_s, from + u"\r\nBcc: all@example.com"_s, {}, {}, 20}.problem()),
              QString());
}

TEST_F(FailingDeliveryTest, ACodeThatWasNotDeliveredDiesButStillCountsTowardsTheResendLimit)
{
    const auto account = Account::parse(Channel::email, u"user@example.com"_s);
    ASSERT_TRUE(account);
    const RawReply reply = send("POST", "/email/send", R"({"email_address": "user@example.com"})");
    EXPECT_EQ(reply.status, 502);
    EXPECT_EQ(reply.message(), u"验证码发送失败，请稍后再试"_s);

    // The code that never arrived does not work.
    const QString lost = static_cast<FailingSender&>(*sender).lastCode;
    ASSERT_EQ(lost.size(), 4);
    EXPECT_EQ(codes->check(*account, lost, u"192.0.2.1"_s), VerificationCodes::CheckResult::noCode);
    // A failing mail server is not asked again at once.
    EXPECT_EQ(codes->send(*account).kind, VerificationCodes::SendResult::Kind::tooSoon);
    clock.advance(VerificationCodes::kResendIntervalMs);
    EXPECT_EQ(codes->send(*account).kind, VerificationCodes::SendResult::Kind::failed);
    EXPECT_EQ(static_cast<FailingSender&>(*sender).attempts, 2);
}

TEST_F(ServiceHarness, CodesSurviveARestartOfTheService)
{
    const auto account = Account::parse(Channel::phone, u"13700000000"_s);
    ASSERT_TRUE(account);
    ASSERT_EQ(codes->send(*account).kind, VerificationCodes::SendResult::Kind::sent);
    const QString code = codeFromLog(account->address());

    Database reopened;
    ASSERT_TRUE(reopened.open(address, nullptr));
    LogCodeSender quiet;
    VerificationCodes again(reopened, quiet, clock.function());
    EXPECT_EQ(again.send(*account).kind, VerificationCodes::SendResult::Kind::tooSoon);
    EXPECT_EQ(again.check(*account, code, u"192.0.2.1"_s), VerificationCodes::CheckResult::accepted);
}

class SmtpDeliveryTest : public ServiceHarness
{
protected:
    std::unique_ptr<CodeSender> makeSender() override
    {
        return std::make_unique<SmtpCodeSender>(
            SmtpSettings{u"smtp://127.0.0.1:%1"_s.arg(mail.port()), u"noreply@example.com"_s, {}, {}, 10});
    }
    FakeSmtpServer mail;
};

TEST_F(SmtpDeliveryTest, TheCodeArrivesByMailAndNeitherCodeNorAccountIsLoggedButPhonesAreRefused)
{
    // The request runs on a service thread; this thread keeps the fake mail server answering.
    RawReply reply;
    std::atomic<bool> answered = false;
    std::thread client([&] {
        reply = send("POST", "/email/send", R"({"email_address": "Person@Example.com"})");
        answered = true;
    });
    EXPECT_TRUE(Sweepora::Test::waitUntil([&] { return answered.load(); }, 30000));
    client.join();
    EXPECT_TRUE(mail.finished);
    ASSERT_EQ(reply.status, 200) << reply.body.constData();

    EXPECT_EQ(mail.recipients, QStringList{u"RCPT TO:<person@example.com>"_s});
    const QByteArray body = QByteArray::fromBase64(mail.data.mid(mail.data.indexOf("\r\n\r\n") + 4));
    const QRegularExpressionMatch match = QRegularExpression(u"验证码是 ([0-9]{4})"_s).match(QString::fromUtf8(body));
    ASSERT_TRUE(match.hasMatch()) << body.constData();
    EXPECT_TRUE(mail.data.contains("To: <person@example.com>\r\n"));

    const QString log = logLines().join(u'\n');
    EXPECT_FALSE(log.contains(match.captured(1))) << log.toStdString();
    EXPECT_FALSE(log.contains(u"person@example.com"_s, Qt::CaseInsensitive)) << log.toStdString();

    const auto account = Account::parse(Channel::email, u"person@example.com"_s);
    EXPECT_EQ(codes->check(*account, match.captured(1), u"192.0.2.1"_s), VerificationCodes::CheckResult::accepted);

    // Phones are refused before any code is made.
    const qint64 before = counts().codes;
    const RawReply phone = send("POST", "/sms/send", R"({"phone_number": "13912345678"})");
    EXPECT_EQ(phone.status, 503);
    EXPECT_EQ(phone.message(), u"暂不支持短信验证码，请使用邮箱登录"_s);
    EXPECT_EQ(counts().codes, before);
}

} // namespace
