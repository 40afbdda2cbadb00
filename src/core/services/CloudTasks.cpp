#include "core/services/CloudTasks.h"

#include "core/util/JsonReader.h"

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

bool CloudTaskRule::read(JsonReader& reader, const QJsonValue& value, CloudTaskRule& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.require(o, "id"_L1, out.id) &&
           reader.require(o, "rule_json"_L1, out.ruleJSON);
}

bool CloudTaskEnvelope::read(JsonReader& reader, const QJsonValue& value, CloudTaskEnvelope& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.require(o, "code"_L1, out.code) &&
           reader.require(o, "message"_L1, out.message) && reader.require(o, "data"_L1, out.data);
}

} // namespace Sweepora::Core
