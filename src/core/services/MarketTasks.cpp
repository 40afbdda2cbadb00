#include "core/services/MarketTasks.h"

#include "core/util/JsonReader.h"

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

bool MarketRule::read(JsonReader& reader, const QJsonValue& value, MarketRule& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.require(o, "id"_L1, out.id) &&
           reader.require(o, "allow"_L1, out.allow) && reader.require(o, "rule_json"_L1, out.ruleJSON) &&
           reader.require(o, "created_at"_L1, out.createdAt) && reader.require(o, "updated_at"_L1, out.updatedAt);
}

bool MarketTaskEnvelope::read(JsonReader& reader, const QJsonValue& value, MarketTaskEnvelope& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.require(o, "code"_L1, out.code) &&
           reader.require(o, "message"_L1, out.message) && reader.require(o, "data"_L1, out.data);
}

QJsonObject UploadMarketTaskRequest::toJSON() const
{
    return QJsonObject{{u"rule_json"_s, rule.toJsonObject()}};
}

bool UploadMarketTaskResult::read(JsonReader& reader, const QJsonValue& value, UploadMarketTaskResult& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.require(o, "id"_L1, out.id) &&
           reader.require(o, "allow"_L1, out.allow) && reader.require(o, "reason"_L1, out.reason);
}

bool UploadMarketTaskEnvelope::read(JsonReader& reader, const QJsonValue& value, UploadMarketTaskEnvelope& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.require(o, "code"_L1, out.code) &&
           reader.require(o, "message"_L1, out.message) && reader.require(o, "data"_L1, out.data);
}

} // namespace Sweepora::Core
