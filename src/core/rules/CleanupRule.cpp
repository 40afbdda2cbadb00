#include "core/rules/CleanupRule.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

bool CleanupRule::read(JsonReader& reader, const QJsonValue& value, CleanupRule& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.require(o, "App"_L1, out.app) &&
           reader.require(o, "Name"_L1, out.name) && reader.require(o, "Paths"_L1, out.paths) &&
           reader.require(o, "Notice"_L1, out.notice) && reader.require(o, "PackName"_L1, out.packName) &&
           reader.require(o, "Description"_L1, out.description);
}

Decoded<CleanupRule> CleanupRule::fromJsonObject(const QJsonObject& object)
{
    return Decoded<CleanupRule>::fromObject(object);
}

Decoded<CleanupRule> CleanupRule::fromJson(const QByteArray& text)
{
    return Decoded<CleanupRule>::fromText(text);
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
