#include "services/WireRule.h"

#include "services/JsonReader.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

CleanupRule RemoteRuleJSON::toCleanupRule() const
{
    CleanupRule rule;
    rule.app = app.value_or(true);
    rule.name = name;
    rule.paths = paths;
    rule.notice = notice.value_or(0);
    rule.packName = packName;
    rule.description = description;
    return rule;
}

bool RemoteRuleJSON::read(JsonReader& reader, const QJsonValue& value, RemoteRuleJSON& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.optional(o, "App"_L1, out.app) &&
           reader.require(o, "Name"_L1, out.name) && reader.require(o, "Paths"_L1, out.paths) &&
           reader.optional(o, "Notice"_L1, out.notice) && reader.require(o, "PackName"_L1, out.packName) &&
           reader.require(o, "Description"_L1, out.description);
}

QJsonObject encodeRuleJSON(const CleanupRule& rule)
{
    return QJsonObject{
        {u"App"_s, rule.app},           {u"Description"_s, rule.description},
        {u"Name"_s, rule.name},         {u"Notice"_s, rule.notice},
        {u"PackName"_s, rule.packName}, {u"Paths"_s, QJsonArray::fromStringList(rule.paths)},
    };
}

} // namespace Sweepora::Core
