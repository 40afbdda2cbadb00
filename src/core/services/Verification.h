#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

namespace Sweepora::Core {

class JsonReader;

// The body that asks for a sign-in code: exactly one of "phone_number" and "email_address";
// the other key is left out, never sent as null. The factories make any other shape impossible.
class VerificationRequest
{
public:
    enum class Channel { phone, email };

    static VerificationRequest phone(const QString& number) { return {Channel::phone, number}; }
    static VerificationRequest email(const QString& address) { return {Channel::email, address}; }

    Channel channel() const { return m_channel; }
    const QString& account() const { return m_account; }
    // "phone_number" or "email_address": the body's one key and the check's account query item.
    QString accountKey() const;

    QJsonObject toJSON() const;

private:
    VerificationRequest(Channel channel, const QString& account) : m_channel(channel), m_account(account) {}

    Channel m_channel;
    QString m_account;
};

// Reply of the send and check calls. Sending succeeded when `code` is 200, a check when it is 1.
struct VerificationResponse
{
    qint64 code = 0;
    QString message;

    static bool read(JsonReader& reader, const QJsonValue& value, VerificationResponse& out);
};

} // namespace Sweepora::Core
