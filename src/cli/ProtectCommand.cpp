#include "cli/Commands.h"

#include "core/platform/PlatformLayout.h"
#include "core/trash/ProtectedPlaces.h"

#include <QDir>

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

class ProtectCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        if (arguments.isEmpty())
            return {};
        const QString& verb = arguments.first();
        if (verb != QLatin1String("add") && verb != QLatin1String("remove"))
            return QStringLiteral("protect takes \"add PATH\" or \"remove PATH\"; got \"%1\"").arg(verb);
        if (arguments.size() != 2 || arguments[1].isEmpty())
            return QStringLiteral("protect %1 needs one path").arg(verb);
        m_verb = verb;
        m_path = standardizedPath(QDir::current().absoluteFilePath(arguments[1]));
        // Only the user's own entries can go; a built-in place is protected whatever the list says.
        if (m_verb == QLatin1String("remove") && !ProtectedPlaces::userPaths().contains(m_path))
            return QStringLiteral("%1 is not in the user's protected places").arg(m_path);
        return {};
    }

    Listing scan(const CommandContext& context) override
    {
        Q_UNUSED(context);
        Listing listing;
        if (m_verb == QLatin1String("add"))
            listing.message = ProtectedPlaces::addUserPath(m_path) ? QStringLiteral("已加入保护名单：") + m_path
                                                                   : QStringLiteral("已在保护名单中：") + m_path;
        else if (m_verb == QLatin1String("remove"))
            listing.message = ProtectedPlaces::removeUserPath(m_path) ? QStringLiteral("已从保护名单移除：") + m_path
                                                                      : QStringLiteral("保护名单中没有：") + m_path;
        const ProtectedPlaces places = ProtectedPlaces::current();
        listing.columns = {{QStringLiteral("来源"), false}, {QStringLiteral("路径"), false}};
        for (const ProtectedPlaces::Place& place : places.places()) {
            listing.items.append(
                QJsonObject{{QStringLiteral("path"), place.path}, {QStringLiteral("builtIn"), place.builtIn}});
            listing.rows.append({place.builtIn ? QStringLiteral("内置") : QStringLiteral("用户"), place.path});
        }
        if (listing.message.isEmpty())
            listing.message = QStringLiteral("共 %1 个受保护的位置").arg(places.places().size());
        return listing;
    }

private:
    QString m_verb;
    QString m_path;
};

} // namespace

Command protectCommand()
{
    return {QStringLiteral("protect"), [] { return std::make_unique<ProtectCommand>(); }};
}

} // namespace Sweepora::Cli
