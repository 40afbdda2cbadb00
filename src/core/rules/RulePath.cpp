#include "core/rules/RulePath.h"

#include "core/platform/PlatformLayout.h"

#include <QFileInfo>
#include <QStringList>

namespace Sweepora::Core {
namespace {

const QLatin1String absolutePrefix("/");
const QLatin1String homePrefix("USERFOLDER/");
const QLatin1String publicDataPrefix("PUBLIC_DATA/");

QString inHome(const QString& home, const QString& relative)
{
    return standardizedPath(home + QLatin1Char('/') + relative);
}

QString joined(const QString& folder, const QString& tail)
{
    return tail.isEmpty() ? folder : folder + QLatin1Char('/') + tail;
}

std::optional<QString> resolvePublicData(const QString& rest, const QString& home, const PathExistsTest& exists)
{
    const QStringList pieces = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (pieces.size() < 2)
        return std::nullopt;
    const QString& bundle = pieces.at(0);
    const QString tail = pieces.mid(1).join(QLatin1Char('/'));
    const QString container = QStringLiteral("Library/Containers/") + bundle + QStringLiteral("/Data/");

    QStringList candidates;
    if (pieces.at(1) == QLatin1String("Caches"))
        candidates << joined(container + QStringLiteral("Library/Caches"), pieces.mid(2).join(QLatin1Char('/')));
    candidates << joined(container + QStringLiteral("Library/Caches"), tail)
               << joined(container + QStringLiteral("Library/Application Support"), tail)
               << joined(container + QStringLiteral("Documents"), tail)
               << joined(QStringLiteral("Library/Application Support/") + bundle, tail)
               << joined(QStringLiteral("Library/Application Support"), tail);

    for (const QString& candidate : candidates) {
        const QString path = inHome(home, candidate);
        if (exists(path))
            return path;
    }
    // Nothing there yet: the first candidate, where a listing then finds nothing.
    return inHome(home, candidates.first());
}

} // namespace

std::optional<QString> resolveRulePath(const QString& rulePath, const QString& home,
                                       const LegacyGrantLookup& legacyLookup, const PathExistsTest& exists)
{
    if (rulePath.startsWith(absolutePrefix))
        return standardizedPath(rulePath);
    if (rulePath.startsWith(homePrefix))
        return inHome(home, rulePath.mid(homePrefix.size()));
    if (legacyLookup) {
        if (const std::optional<QString> granted = legacyLookup(rulePath); granted && !granted->isEmpty())
            return standardizedPath(*granted);
    }
    if (rulePath.startsWith(publicDataPrefix)) {
        const PathExistsTest realFileSystem = [](const QString& path) { return QFileInfo::exists(path); };
        return resolvePublicData(rulePath.mid(publicDataPrefix.size()), home, exists ? exists : realFileSystem);
    }
    return std::nullopt;
}

} // namespace Sweepora::Core
