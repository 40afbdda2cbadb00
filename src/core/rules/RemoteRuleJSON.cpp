#include "core/rules/RemoteRuleJSON.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

bool RemoteRuleJSON::read(JsonReader& reader, const QJsonValue& value, RemoteRuleJSON& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.optional(o, "App"_L1, out.app) &&
           reader.require(o, "Name"_L1, out.name) && reader.require(o, "Paths"_L1, out.paths) &&
           reader.optional(o, "Notice"_L1, out.notice) && reader.require(o, "PackName"_L1, out.packName) &&
           reader.require(o, "Description"_L1, out.description);
}

Decoded<RemoteRuleJSON> RemoteRuleJSON::fromJsonObject(const QJsonObject& object)
{
    return Decoded<RemoteRuleJSON>::fromObject(object);
}

Decoded<RemoteRuleJSON> RemoteRuleJSON::fromJson(const QByteArray& text)
{
    return Decoded<RemoteRuleJSON>::fromText(text);
}

QJsonObject RemoteRuleJSON::toJsonObject() const
{
    QJsonObject object;
    if (app)
        object.insert(QLatin1String("App"), *app);
    object.insert(QLatin1String("Name"), name);
    object.insert(QLatin1String("Paths"), QJsonArray::fromStringList(paths));
    if (notice)
        object.insert(QLatin1String("Notice"), QJsonValue(*notice));
    object.insert(QLatin1String("PackName"), packName);
    object.insert(QLatin1String("Description"), description);
    return object;
}

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

} // namespace Sweepora::Core
