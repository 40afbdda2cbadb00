#include "Account.h"

#include <QRegularExpression>

namespace Sweepora::Service {

std::optional<Account> Account::parse(Channel channel, const QString& text)
{
    static thread_local const QRegularExpression phone(QStringLiteral("^1[3-9][0-9]{9}$"));
    // Unicode white space counts as white space, as in the application's own pattern.
    static thread_local const QRegularExpression email(QStringLiteral("^[^\\s@]+@[^\\s@]+\\.[^\\s@]+$"),
                                                       QRegularExpression::UseUnicodePropertiesOption);
    static thread_local const QRegularExpression unsafeInMail(QStringLiteral("[<>()\\[\\],;:\"\\\\\\p{Cc}\\p{Cf}]"));

    if (channel == Channel::phone) {
        if (!phone.match(text).hasMatch())
            return std::nullopt;
        return Account(channel, text);
    }
    if (text.size() > 254 || !email.match(text).hasMatch() || unsafeInMail.match(text).hasMatch())
        return std::nullopt;
    return Account(channel, text.toLower());
}

QString Account::channelName(Channel channel)
{
    return channel == Channel::phone ? QStringLiteral("phone") : QStringLiteral("email");
}

QString Account::fieldName(Channel channel)
{
    return channel == Channel::phone ? QStringLiteral("phone_number") : QStringLiteral("email_address");
}

QString Account::invalidMessage(Channel channel)
{
    return channel == Channel::phone ? QStringLiteral("手机号格式不正确") : QStringLiteral("邮箱地址格式不正确");
}

} // namespace Sweepora::Service
