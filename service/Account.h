#pragma once

#include <QString>

#include <optional>

namespace Sweepora::Service {

// Where a sign-in code goes: a mainland-China mobile number or an e-mail address.
enum class Channel { phone, email };

class Account
{
public:
    // The account as sent, checked with the application's own patterns: "^1[3-9]\d{9}$" for a
    // phone number (ASCII digits), "^[^\s@]+@[^\s@]+\.[^\s@]+$" for an e-mail address. An e-mail
    // address must in addition be at most 254 characters and free of control characters and of
    // the characters that would let it escape a mail header or an SMTP command (<>()[],;:"\).
    // E-mail addresses are kept in lower case, as the application sends them.
    static std::optional<Account> parse(Channel channel, const QString& text);

    Channel channel() const { return m_channel; }
    const QString& address() const { return m_address; }

    // "phone" or "email", as stored.
    static QString channelName(Channel channel);
    // "phone_number" or "email_address": the body key and the query item.
    static QString fieldName(Channel channel);
    // "手机号格式不正确" or "邮箱地址格式不正确".
    static QString invalidMessage(Channel channel);

private:
    Account(Channel channel, QString address) : m_channel(channel), m_address(std::move(address)) {}

    Channel m_channel;
    QString m_address;
};

} // namespace Sweepora::Service
