#pragma once

#include "Account.h"
#include "ServiceClock.h"
#include "ServiceLimits.h"
#include "ServiceMetrics.h"
#include "WorkshopListCache.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

#include <atomic>

namespace Sweepora::Service {

class ServiceStore;
class VerificationCodes;

// One request as the HTTP layer hands it over: path and query items already percent-decoded.
struct ApiRequest
{
    QByteArray method;
    QString path;
    QList<QPair<QString, QString>> query;
    QByteArray contentType;
    QByteArray body;
    QString client; // the client's address, as its limits count it
};

struct ApiReply
{
    int status = 200;
    QJsonObject body;
    QList<QPair<QByteArray, QByteArray>> headers; // beyond Content-Type
    QByteArray encoded;                           // when set, sent instead of `body`
    QByteArray contentType;                       // of `encoded`; JSON when empty

    QByteArray bytes() const; // compact UTF-8 JSON
};

// Every endpoint of the application's protocol. Successful replies carry the envelope
// {"code", "message", "data"}; a sent code has code 200 and a good check code 1, a wrong check
// is still HTTP 200 with code 0 (the application reads that as "wrong or expired"). Refusals
// are {"message": "…"} in Chinese with a 4xx or 5xx status, and change nothing.
class ServiceApi
{
public:
    static constexpr qsizetype kMaxBodyBytes = 64 * 1024;
    ServiceApi(ServiceStore& store, VerificationCodes& codes, ServiceClock clock, ServiceLimits limits = {});

    // Thread-safe: called concurrently from the HTTP layer's threads.
    ApiReply handle(const ApiRequest& request);

    static ApiReply error(int status, const QString& message);
    // The label under which a request to `path` is counted.
    static QString endpointLabel(const QString& path);

    ServiceMetrics& metrics() { return m_metrics; }
    // From the stop on, /healthz answers "not ready", so that a balancer sends requests elsewhere.
    void setStopping() { m_stopping = true; }
    static ApiReply envelope(qint64 code, const QString& message, const QJsonValue& data);

private:
    ApiReply cloudRules();
    ApiReply workshop(const ApiRequest& request);
    ApiReply upload(const ApiRequest& request);
    ApiReply latestVersion();
    ApiReply sendCode(Channel channel, const ApiRequest& request);
    ApiReply checkCode(Channel channel, const ApiRequest& request);
    ApiReply health();

    ServiceStore& m_store;
    VerificationCodes& m_codes;
    ServiceClock m_clock;
    const ServiceLimits m_limits;

    WorkshopListCache m_workshopList;
    ServiceMetrics m_metrics;
    std::atomic<bool> m_stopping{false};
};

} // namespace Sweepora::Service
