#pragma once

#include "CodeSender.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace Sweepora::Service {

// Where and how to send code mails. Read from the environment so that no password appears in
// a command line: SWEEPORA_SMTP_URL (smtps://host:465 or smtp://host:587), SWEEPORA_SMTP_FROM,
// and optionally SWEEPORA_SMTP_USER and SWEEPORA_SMTP_PASSWORD.
struct SmtpSettings
{
    QString url;
    QString from;
    QString user;
    QString password;
    int timeoutSeconds = 20;

    // Nothing (and no error) when SWEEPORA_SMTP_URL is not set.
    static std::optional<SmtpSettings> fromEnvironment(QString* error);
    // The problem with these settings, or "" when they are usable.
    QString problem() const;
};

// Sends e-mail codes through an SMTP server with libcurl. smtp:// insists on STARTTLS except
// towards the loopback interface; smtps:// is TLS from the start. It cannot reach phones, and
// it never writes a code or an account to the log.
class SmtpCodeSender : public CodeSender
{
public:
    explicit SmtpCodeSender(SmtpSettings settings);

    bool canReach(Channel channel) const override { return channel == Channel::email; }
    Outcome deliver(const Account& account, const QString& code) override;
    bool mayLogSecrets() const override { return false; }

    // The whole message as sent: headers, a blank line and the base64 body, lines ending in CRLF.
    static QByteArray message(const QString& from, const QString& to, const QString& code, const QDateTime& now,
                              const QString& messageId);

private:
    SmtpSettings m_settings;
};

} // namespace Sweepora::Service
