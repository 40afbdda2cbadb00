#include "ServiceApi.h"

#include "ServiceStore.h"
#include "VerificationCodes.h"
#include "core/platform/Log.h"
#include "core/rules/RuleReview.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <optional>
#include <variant>

namespace Sweepora::Service {
namespace {

const QString kOk = QStringLiteral("成功");
const QString kLockedMessage = QStringLiteral("该账号今天验证码错误次数过多，已锁定，请明天再试");

ApiReply unavailable()
{
    return ServiceApi::error(500, QStringLiteral("服务暂时不可用，请稍后再试"));
}

bool isJsonContent(const QByteArray& contentType)
{
    const QByteArray mediaType = contentType.split(';').value(0).trimmed().toLower();
    return mediaType == "application/json";
}

// The body as a JSON object, or the refusal that says what is wrong with it.
std::variant<QJsonObject, ApiReply> jsonObjectBody(const ApiRequest& request)
{
    if (request.body.size() > ServiceApi::kMaxBodyBytes)
        return ServiceApi::error(413, QStringLiteral("请求内容过大（最多 64 KB）"));
    if (!isJsonContent(request.contentType))
        return ServiceApi::error(415, QStringLiteral("请求内容须为 JSON（Content-Type: application/json）"));
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return ServiceApi::error(400, QStringLiteral("请求内容不是有效的 JSON"));
    if (!document.isObject())
        return ServiceApi::error(400, QStringLiteral("请求内容须为 JSON 对象"));
    return document.object();
}

// The one value of a query item; absent when it is missing or given more than once.
std::optional<QString> singleQueryItem(const ApiRequest& request, const QString& name)
{
    std::optional<QString> value;
    for (const auto& [key, item] : request.query) {
        if (key != name)
            continue;
        if (value)
            return std::nullopt;
        value = item;
    }
    return value;
}

QJsonObject versionJson(const VersionRecord& v)
{
    QJsonObject o{{QStringLiteral("id"), v.id},
                  {QStringLiteral("version"), v.version},
                  {QStringLiteral("build_number"), v.buildNumber},
                  {QStringLiteral("download_url"), v.downloadURL},
                  {QStringLiteral("release_notes"), v.releaseNotes},
                  {QStringLiteral("force_update"), v.forceUpdate ? 1 : 0},
                  {QStringLiteral("status"), v.status},
                  {QStringLiteral("created_at"), isoTimestamp(v.createdAt)},
                  {QStringLiteral("updated_at"), isoTimestamp(v.updatedAt)}};
    if (v.minimumVersion)
        o.insert(QStringLiteral("minimum_version"), *v.minimumVersion);
    return o;
}

struct Route
{
    const char* path;
    const char* method;
};

// Every path the service answers, with the one method each takes.
constexpr Route kRoutes[] = {
    {"/tasks/rules", "GET"}, {"/market/tasks", "GET"}, {"/market/tasks", "POST"}, {"/app/version/latest", "GET"},
    {"/sms/send", "POST"},   {"/email/send", "POST"},  {"/sms/check", "GET"},     {"/email/check", "GET"},
    {"/healthz", "GET"},     {"/metrics", "GET"},
};

} // namespace

QByteArray ApiReply::bytes() const
{
    return encoded.isEmpty() ? QJsonDocument(body).toJson(QJsonDocument::Compact) : encoded;
}

ServiceApi::ServiceApi(ServiceStore& store, VerificationCodes& codes, ServiceClock clock, ServiceLimits limits)
    : m_store(store), m_codes(codes), m_clock(std::move(clock)), m_limits(limits), m_workshopList(store)
{}

ApiReply ServiceApi::error(int status, const QString& message)
{
    ApiReply reply;
    reply.status = status;
    reply.body = QJsonObject{{QStringLiteral("message"), message}};
    return reply;
}

ApiReply ServiceApi::envelope(qint64 code, const QString& message, const QJsonValue& data)
{
    ApiReply reply;
    reply.body = QJsonObject{
        {QStringLiteral("code"), code}, {QStringLiteral("message"), message}, {QStringLiteral("data"), data}};
    return reply;
}

ApiReply ServiceApi::handle(const ApiRequest& request)
{
    // HEAD is answered as GET; the HTTP layer drops the body.
    const QByteArray method = request.method == "HEAD" ? QByteArray("GET") : request.method;
    const QString& path = request.path;
    const auto is = [&](const char* p, const char* m) { return path == QLatin1String(p) && method == m; };

    if (is("/tasks/rules", "GET"))
        return cloudRules();
    if (is("/market/tasks", "GET"))
        return workshop(request);
    if (is("/market/tasks", "POST"))
        return upload(request);
    if (is("/app/version/latest", "GET"))
        return latestVersion();
    if (is("/sms/send", "POST"))
        return sendCode(Channel::phone, request);
    if (is("/email/send", "POST"))
        return sendCode(Channel::email, request);
    if (is("/sms/check", "GET"))
        return checkCode(Channel::phone, request);
    if (is("/email/check", "GET"))
        return checkCode(Channel::email, request);
    if (is("/healthz", "GET"))
        return health();
    if (is("/metrics", "GET")) {
        ApiReply reply;
        reply.encoded = m_metrics.text(m_store.databaseErrors());
        reply.contentType = "text/plain; version=0.0.4; charset=utf-8";
        return reply;
    }

    QByteArrayList allowed;
    for (const Route& route : kRoutes)
        if (path == QLatin1String(route.path))
            allowed.append(route.method);
    if (allowed.isEmpty())
        return error(404, QStringLiteral("未找到请求的接口"));
    ApiReply reply = error(405, QStringLiteral("该接口不支持此请求方法"));
    reply.headers.append({"Allow", allowed.join(", ")});
    return reply;
}

QString ServiceApi::endpointLabel(const QString& path)
{
    for (const Route& route : kRoutes)
        if (path == QLatin1String(route.path))
            return path;
    return QStringLiteral("other");
}

ApiReply ServiceApi::health()
{
    const bool ready = !m_stopping && m_store.healthy();
    ApiReply reply =
        ready ? envelope(200, QStringLiteral("ready"), QJsonValue::Null) : error(503, QStringLiteral("not ready"));
    return reply;
}

ApiReply ServiceApi::cloudRules()
{
    const std::optional<QList<PublishedRule>> rules = m_store.publishedRules();
    if (!rules)
        return unavailable();
    QJsonArray data;
    for (const PublishedRule& rule : *rules)
        data.append(
            QJsonObject{{QStringLiteral("id"), rule.id}, {QStringLiteral("rule_json"), rule.rule.toJsonObject()}});
    return envelope(200, kOk, data);
}

ApiReply ServiceApi::workshop(const ApiRequest& request)
{
    int page = 1;
    const bool paged = std::any_of(request.query.begin(), request.query.end(),
                                   [](const auto& item) { return item.first == QLatin1String("page"); });
    if (paged) {
        const std::optional<QString> text = singleQueryItem(request, QStringLiteral("page"));
        bool ok = false;
        page = text ? text->toInt(&ok) : 0;
        if (!ok || page < 1 || page > 100000)
            return error(400, QStringLiteral("page 须为 1 到 100000 之间的整数"));
    }
    const std::optional<QByteArray> encoded = m_workshopList.reply(page);
    if (!encoded)
        return unavailable();
    ApiReply reply;
    reply.encoded = *encoded;
    return reply;
}

ApiReply ServiceApi::upload(const ApiRequest& request)
{
    const auto body = jsonObjectBody(request);
    if (const ApiReply* refusal = std::get_if<ApiReply>(&body))
        return *refusal;
    const QJsonValue ruleJson = std::get<QJsonObject>(body).value(QStringLiteral("rule_json"));
    if (!ruleJson.isObject())
        return error(400, QStringLiteral("请求内容缺少 rule_json 对象"));
    const Core::Decoded<Core::CleanupRule> rule = Core::CleanupRule::fromJsonObject(ruleJson.toObject());
    if (!rule)
        return error(400, QStringLiteral("规则格式不正确：") + rule.error);

    const Core::ReviewVerdict verdict = Core::RuleReview::review(*rule.value);
    const ReviewState state = verdict.passed ? ReviewState::approved : ReviewState::held;
    const ServiceStore::Upload upload =
        m_store.addWorkshopEntry(*rule.value, state, verdict.reason(), m_clock(), request.client, m_limits);
    using Outcome = ServiceStore::Upload::Outcome;
    switch (upload.outcome) {
    case Outcome::stored:
        break;
    case Outcome::hourlyLimit:
    case Outcome::dailyLimit:
        return error(429, QStringLiteral("上传过于频繁：每个地址每小时最多上传 %1 条规则，每天最多 %2 条，请稍后再试")
                              .arg(m_limits.uploadsPerHour)
                              .arg(m_limits.uploadsPerDay));
    case Outcome::rowLimit:
        return error(429,
                     QStringLiteral("该地址上传的规则已达上限（%1 条），不再接受新的上传").arg(m_limits.rowsPerClient));
    case Outcome::full:
        return error(429, QStringLiteral("规则工坊的存储已满，暂不接受新的上传"));
    case Outcome::failed:
        return unavailable();
    }
    const qint64 id = upload.id;
    Core::Log::line(QStringLiteral("[Workshop] 收到上传 #%1：%2")
                        .arg(id)
                        .arg(verdict.passed ? QStringLiteral("自动审核通过") : QStringLiteral("待人工审核")));
    return envelope(200, QStringLiteral("上传成功"),
                    QJsonObject{{QStringLiteral("id"), id},
                                {QStringLiteral("allow"), verdict.passed ? 1 : 0},
                                {QStringLiteral("reason"), verdict.reason()}});
}

ApiReply ServiceApi::latestVersion()
{
    const std::optional<std::optional<VersionRecord>> latest = m_store.latestVersion();
    if (!latest)
        return unavailable();
    return envelope(200, kOk, *latest ? QJsonValue(versionJson(**latest)) : QJsonValue(QJsonValue::Null));
}

ApiReply ServiceApi::sendCode(Channel channel, const ApiRequest& request)
{
    const auto body = jsonObjectBody(request);
    if (const ApiReply* refusal = std::get_if<ApiReply>(&body))
        return *refusal;
    const QJsonObject& object = std::get<QJsonObject>(body);
    const QString field = Account::fieldName(channel);
    const QString otherField = Account::fieldName(channel == Channel::phone ? Channel::email : Channel::phone);
    if (object.contains(otherField))
        return error(400, QStringLiteral("请求只能包含一个账号"));
    const QJsonValue value = object.value(field);
    if (!value.isString())
        return error(400, QStringLiteral("请求内容缺少 %1").arg(field));
    const std::optional<Account> account = Account::parse(channel, value.toString());
    if (!account)
        return error(400, Account::invalidMessage(channel));

    const VerificationCodes::SendResult result = m_codes.send(*account);
    switch (result.kind) {
    case VerificationCodes::SendResult::Kind::sent:
        m_metrics.recordCodeSent();
        return envelope(200, QStringLiteral("验证码已发送"), QJsonValue::Null);
    case VerificationCodes::SendResult::Kind::tooSoon: {
        ApiReply reply = error(429, QStringLiteral("发送过于频繁，请 %1 秒后再试").arg(result.retryAfterSeconds));
        reply.headers.append({"Retry-After", QByteArray::number(result.retryAfterSeconds)});
        return reply;
    }
    case VerificationCodes::SendResult::Kind::locked:
        return error(429, kLockedMessage);
    case VerificationCodes::SendResult::Kind::unsupported:
        return error(503, channel == Channel::phone ? QStringLiteral("暂不支持短信验证码，请使用邮箱登录")
                                                    : QStringLiteral("暂不支持邮箱验证码，请使用手机登录"));
    case VerificationCodes::SendResult::Kind::failed:
        break;
    }
    return error(502, QStringLiteral("验证码发送失败，请稍后再试"));
}

ApiReply ServiceApi::checkCode(Channel channel, const ApiRequest& request)
{
    const QString field = Account::fieldName(channel);
    const std::optional<QString> accountText = singleQueryItem(request, field);
    const std::optional<QString> code = singleQueryItem(request, QStringLiteral("code"));
    if (!accountText || !code)
        return error(400, QStringLiteral("请求须包含一个 %1 和一个 code").arg(field));
    const std::optional<Account> account = Account::parse(channel, *accountText);
    if (!account)
        return error(400, Account::invalidMessage(channel));

    switch (m_codes.check(*account, *code, request.client)) {
    case VerificationCodes::CheckResult::accepted:
        return envelope(1, QStringLiteral("验证成功"), QJsonValue::Null);
    case VerificationCodes::CheckResult::wrong:
        return envelope(0, QStringLiteral("验证码错误"), QJsonValue::Null);
    case VerificationCodes::CheckResult::expired:
        return envelope(0, QStringLiteral("验证码已过期，请重新获取"), QJsonValue::Null);
    case VerificationCodes::CheckResult::exhausted:
        return envelope(0, QStringLiteral("验证码错误次数过多，请重新获取"), QJsonValue::Null);
    case VerificationCodes::CheckResult::noCode:
        return envelope(0, QStringLiteral("验证码错误或已过期"), QJsonValue::Null);
    case VerificationCodes::CheckResult::locked:
        return error(429, kLockedMessage);
    case VerificationCodes::CheckResult::tooMany:
        return error(429, QStringLiteral("验证过于频繁：每个地址每小时最多验证 %1 次，请稍后再试")
                              .arg(m_limits.checksPerClientPerHour));
    case VerificationCodes::CheckResult::failed:
        break;
    }
    return unavailable();
}

} // namespace Sweepora::Service
