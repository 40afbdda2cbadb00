#pragma once

#include "core/services/WireRule.h"

#include <QList>

namespace Sweepora::Core {

class JsonReader;

// One entry of the community rule workshop. `allow` 1 means the rule passed review.
struct MarketRule
{
    qint64 id = 0;
    qint64 allow = 0;
    RemoteRuleJSON ruleJSON;
    QString createdAt; // as the service sent it
    QString updatedAt;

    bool isApproved() const { return allow == 1; }

    static bool read(JsonReader& reader, const QJsonValue& value, MarketRule& out);
};

// GET "/market/tasks".
struct MarketTaskEnvelope
{
    qint64 code = 0;
    QString message;
    QList<MarketRule> data;

    static bool read(JsonReader& reader, const QJsonValue& value, MarketTaskEnvelope& out);
};

// The body of POST "/market/tasks": the rule in the local format under "rule_json".
struct UploadMarketTaskRequest
{
    CleanupRule rule;

    QJsonObject toJSON() const;
};

// What the automatic review said about an upload; `reason` is there even when it passed.
struct UploadMarketTaskResult
{
    qint64 id = 0;
    qint64 allow = 0;
    QString reason;

    bool isApproved() const { return allow == 1; }

    static bool read(JsonReader& reader, const QJsonValue& value, UploadMarketTaskResult& out);
};

struct UploadMarketTaskEnvelope
{
    qint64 code = 0;
    QString message;
    UploadMarketTaskResult data;

    static bool read(JsonReader& reader, const QJsonValue& value, UploadMarketTaskEnvelope& out);
};

} // namespace Sweepora::Core
