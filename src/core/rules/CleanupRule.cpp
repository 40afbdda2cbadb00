#include "rules/CleanupRule.h"

#include "rules/JsonFieldReader.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace Sweepora::Core {

Decoded<CleanupRule> CleanupRule::fromJsonObject(const QJsonObject& object)
{
    JsonFieldReader reader(object);
    CleanupRule rule;
    if (reader.readBool(QLatin1String("App"), rule.app) && reader.readString(QLatin1String("Name"), rule.name) &&
        reader.readStringList(QLatin1String("Paths"), rule.paths) &&
        reader.readInt64(QLatin1String("Notice"), rule.notice) &&
        reader.readString(QLatin1String("PackName"), rule.packName) &&
        reader.readString(QLatin1String("Description"), rule.description))
        return Decoded<CleanupRule>::success(rule);
    return Decoded<CleanupRule>::failure(reader.error());
}

Decoded<CleanupRule> CleanupRule::fromJson(const QByteArray& text)
{
    const Decoded<QJsonObject> object = JsonFieldReader::parseObject(text);
    if (!object)
        return Decoded<CleanupRule>::failure(object.error);
    return fromJsonObject(*object.value);
}

QJsonObject CleanupRule::toJsonObject() const
{
    // QJsonObject keeps its keys sorted, which gives the file order App, Description, Name,
    // Notice, PackName, Paths.
    QJsonObject object;
    object.insert(QLatin1String("App"), app);
    object.insert(QLatin1String("Name"), name);
    object.insert(QLatin1String("Paths"), QJsonArray::fromStringList(paths));
    object.insert(QLatin1String("Notice"), QJsonValue(notice));
    object.insert(QLatin1String("PackName"), packName);
    object.insert(QLatin1String("Description"), description);
    return object;
}

QByteArray CleanupRule::toJson() const
{
    return QJsonDocument(toJsonObject()).toJson(QJsonDocument::Indented);
}

} // namespace Sweepora::Core
