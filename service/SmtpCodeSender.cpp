#include "SmtpCodeSender.h"

#include "core/platform/Log.h"

#include <QLocale>
#include <QUrl>
#include <QUuid>

#include <curl/curl.h>

#include <cstring>
#include <mutex>

namespace Sweepora::Service {
namespace {

struct Upload
{
    QByteArray bytes;
    qsizetype offset = 0;
};

size_t readMessage(char* buffer, size_t size, size_t count, void* userData)
{
    auto* upload = static_cast<Upload*>(userData);
    const size_t room = size * count;
    const size_t left = size_t(upload->bytes.size() - upload->offset);
    const size_t n = std::min(room, left);
    std::memcpy(buffer, upload->bytes.constData() + upload->offset, n);
    upload->offset += qsizetype(n);
    return n;
}

bool isLoopbackHost(const QString& host)
{
    return host == QLatin1String("127.0.0.1") || host == QLatin1String("::1") ||
           host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
}

QByteArray encodedWord(const QString& text)
{
    return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
}

} // namespace

std::optional<SmtpSettings> SmtpSettings::fromEnvironment(QString* error)
{
    SmtpSettings settings;
    settings.url = qEnvironmentVariable("SWEEPORA_SMTP_URL").trimmed();
    if (settings.url.isEmpty())
        return std::nullopt;
    settings.from = qEnvironmentVariable("SWEEPORA_SMTP_FROM").trimmed();
    settings.user = qEnvironmentVariable("SWEEPORA_SMTP_USER");
    settings.password = qEnvironmentVariable("SWEEPORA_SMTP_PASSWORD");
    if (error)
        *error = settings.problem();
    return settings;
}

QString SmtpSettings::problem() const
{
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty() ||
        (parsed.scheme() != QLatin1String("smtp") && parsed.scheme() != QLatin1String("smtps")))
        return QStringLiteral("SWEEPORA_SMTP_URL 须为 smtp:// 或 smtps:// 地址");
    if (!Account::parse(Channel::email, from))
        return QStringLiteral("SWEEPORA_SMTP_FROM 须为有效的邮箱地址");
    return {};
}

SmtpCodeSender::SmtpCodeSender(SmtpSettings settings) : m_settings(std::move(settings))
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QByteArray SmtpCodeSender::message(const QString& from, const QString& to, const QString& code, const QDateTime& now,
                                   const QString& messageId)
{
    const QString date = QLocale::c().toString(now.toUTC(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss +0000"));
    const QString body = QStringLiteral("你的 Sweepora 验证码是 %1，5 分钟内有效。\r\n"
                                        "如果不是你本人在登录，请忽略这封邮件。\r\n")
                             .arg(code);
    QByteArray text;
    text += "Date: " + date.toLatin1() + "\r\n";
    text += "From: Sweepora <" + from.toUtf8() + ">\r\n";
    text += "To: <" + to.toUtf8() + ">\r\n";
    text += "Subject: " + encodedWord(QStringLiteral("Sweepora 登录验证码")) + "\r\n";
    text += "Message-ID: <" + messageId.toUtf8() + ">\r\n";
    text += "MIME-Version: 1.0\r\n";
    text += "Content-Type: text/plain; charset=UTF-8\r\n";
    text += "Content-Transfer-Encoding: base64\r\n\r\n";
    const QByteArray encoded = body.toUtf8().toBase64();
    for (qsizetype i = 0; i < encoded.size(); i += 76)
        text += encoded.mid(i, 76) + "\r\n";
    return text;
}

CodeSender::Outcome SmtpCodeSender::deliver(const Account& account, const QString& code)
{
    if (account.channel() != Channel::email)
        return Outcome::unsupported;

    const QUrl server(m_settings.url, QUrl::StrictMode);
    const QString domain = m_settings.from.section(u'@', 1);
    Upload upload{message(m_settings.from, account.address(), code, QDateTime::currentDateTimeUtc(),
                          QUuid::createUuid().toString(QUuid::WithoutBraces) + u'@' + domain),
                  0};

    CURL* curl = curl_easy_init();
    if (!curl)
        return Outcome::failed;
    const QByteArray url = m_settings.url.toUtf8();
    const QByteArray from = "<" + m_settings.from.toUtf8() + ">";
    const QByteArray to = "<" + account.address().toUtf8() + ">";
    const QByteArray user = m_settings.user.toUtf8();
    const QByteArray password = m_settings.password.toUtf8();
    curl_slist* recipients = curl_slist_append(nullptr, to.constData());

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(curl, CURLOPT_USE_SSL, long(isLoopbackHost(server.host()) ? CURLUSESSL_TRY : CURLUSESSL_ALL));
    if (!user.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, long(m_settings.timeoutSeconds));

    const CURLcode result = curl_easy_perform(curl);
    long reply = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply);
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);

    if (result != CURLE_OK) {
        // curl's own text only: its detailed message may quote the recipient.
        Core::Log::line(QStringLiteral("[Verification] 邮件发送失败：%1（SMTP %2）")
                            .arg(QString::fromUtf8(curl_easy_strerror(result)))
                            .arg(reply));
        return Outcome::failed;
    }
    return Outcome::sent;
}

} // namespace Sweepora::Service
