#include "core/services/ServiceEndpoints.h"

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

namespace {

QString channelPrefix(const VerificationRequest& request)
{
    return request.channel() == VerificationRequest::Channel::phone ? u"sms"_s : u"email"_s;
}

} // namespace

void ServiceEndpoints::fetchCloudRules(QObject* context, HTTPUtil::Completion<CloudTaskEnvelope> done)
{
    HTTPUtil::getJSON<CloudTaskEnvelope>(HTTPUtil::endpointURL(kCloudRulesPath), context, std::move(done));
}

void ServiceEndpoints::fetchMarketTasks(QObject* context, HTTPUtil::Completion<MarketTaskEnvelope> done)
{
    HTTPUtil::getJSON<MarketTaskEnvelope>(HTTPUtil::endpointURL(kMarketTasksPath), context, std::move(done));
}

void ServiceEndpoints::uploadMarketTask(const CleanupRule& rule, QObject* context,
                                        HTTPUtil::Completion<UploadMarketTaskEnvelope> done)
{
    HTTPUtil::postJSON<UploadMarketTaskEnvelope>(HTTPUtil::endpointURL(kMarketTasksPath),
                                                 UploadMarketTaskRequest{rule}.toJSON(), context, std::move(done));
}

void ServiceEndpoints::fetchLatestVersion(QObject* context, HTTPUtil::Completion<AppVersionEnvelope> done)
{
    HTTPUtil::getJSON<AppVersionEnvelope>(HTTPUtil::endpointURL(kLatestVersionPath), context, std::move(done));
}

void ServiceEndpoints::sendCode(const VerificationRequest& request, QObject* context,
                                HTTPUtil::Completion<VerificationResponse> done)
{
    HTTPUtil::postJSON<VerificationResponse>(HTTPUtil::endpointURL(channelPrefix(request) + u"/send"_s),
                                             request.toJSON(), context, std::move(done));
}

void ServiceEndpoints::checkCode(const VerificationRequest& account, const QString& code, QObject* context,
                                 HTTPUtil::Completion<VerificationResponse> done)
{
    HTTPUtil::getJSON<VerificationResponse>(checkCodeURL(account, code), context, std::move(done));
}

void ServiceEndpoints::fetchPoem(QObject* context, HTTPUtil::Completion<HitokotoResponse> done)
{
    HTTPUtil::getJSON<HitokotoResponse>(HTTPUtil::poemURL(), context, std::move(done));
}

QUrl ServiceEndpoints::checkCodeURL(const VerificationRequest& account, const QString& code)
{
    QUrl url = HTTPUtil::endpointURL(channelPrefix(account) + u"/check"_s);
    const QByteArray query = account.accountKey().toUtf8() + '=' + QUrl::toPercentEncoding(account.account()) +
                             "&code=" + QUrl::toPercentEncoding(code);
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

} // namespace Sweepora::Core
