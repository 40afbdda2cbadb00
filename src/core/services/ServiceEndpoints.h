#pragma once

#include "core/services/AppVersion.h"
#include "core/services/CloudTasks.h"
#include "core/services/HTTPUtil.h"
#include "core/services/Hitokoto.h"
#include "core/services/MarketTasks.h"
#include "core/services/Verification.h"

namespace Sweepora::Core {

// One typed call per exchange with the service and the poem service, on top of HTTPUtil. Each
// completes as HTTPUtil's calls do: once, on the GUI thread, unless `context` is gone.
// None of them examines the envelope's "code"; that judgement belongs to the caller.
class ServiceEndpoints
{
public:
    static inline const QString kCloudRulesPath = QStringLiteral("/tasks/rules");
    static inline const QString kMarketTasksPath = QStringLiteral("/market/tasks");
    static inline const QString kLatestVersionPath = QStringLiteral("/app/version/latest");

    // GET "/tasks/rules".
    static void fetchCloudRules(QObject* context, HTTPUtil::Completion<CloudTaskEnvelope> done);
    // GET "/market/tasks".
    static void fetchMarketTasks(QObject* context, HTTPUtil::Completion<MarketTaskEnvelope> done);
    // POST "/market/tasks" with the rule under "rule_json".
    static void uploadMarketTask(const CleanupRule& rule, QObject* context,
                                 HTTPUtil::Completion<UploadMarketTaskEnvelope> done);
    // GET "/app/version/latest".
    static void fetchLatestVersion(QObject* context, HTTPUtil::Completion<AppVersionEnvelope> done);
    // POST "sms/send" or "email/send", by the request's channel. Success is `code` 200.
    static void sendCode(const VerificationRequest& request, QObject* context,
                         HTTPUtil::Completion<VerificationResponse> done);
    // GET "sms/check" or "email/check" with the account and the code as query items. Success is `code` 1.
    static void checkCode(const VerificationRequest& account, const QString& code, QObject* context,
                          HTTPUtil::Completion<VerificationResponse> done);
    // GET the poem service's root with "?c=i".
    static void fetchPoem(QObject* context, HTTPUtil::Completion<HitokotoResponse> done);

    // The check URL: the account item first, then "code". Values are percent-encoded in full,
    // "+" included: a raw "+" in "a+b@example.com" would reach the service as a space.
    static QUrl checkCodeURL(const VerificationRequest& account, const QString& code);
};

} // namespace Sweepora::Core
