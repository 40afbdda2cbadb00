#include "rules/RemoteRuleJSON.h"

#include "rules/JsonFieldReader.h"

#include <QJsonArray>

namespace Sweepora::Core {

Decoded<RemoteRuleJSON> RemoteRuleJSON::fromJsonObject(const QJsonObject& object)
{
    JsonFieldReader reader(object);
    RemoteRuleJSON rule;
    if (reader.readOptionalBool(QLatin1String("App"), rule.app) &&
        reader.readString(QLatin1String("Name"), rule.name) &&
        reader.readStringList(QLatin1String("Paths"), rule.paths) &&
        reader.readOptionalInt64(QLatin1String("Notice"), rule.notice) &&
        reader.readString(QLatin1String("PackName"), rule.packName) &&
        reader.readString(QLatin1String("Description"), rule.description))
        return Decoded<RemoteRuleJSON>::success(rule);
    return Decoded<RemoteRuleJSON>::failure(reader.error());
}

Decoded<RemoteRuleJSON> RemoteRuleJSON::fromJson(const QByteArray& text)
{
    const Decoded<QJsonObject> object = JsonFieldReader::parseObject(text);
    if (!object)
        return Decoded<RemoteRuleJSON>::failure(object.error);
    return fromJsonObject(*object.value);
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
