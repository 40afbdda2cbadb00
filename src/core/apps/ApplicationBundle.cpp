#include "core/apps/ApplicationBundle.h"

#include "core/apps/InfoDictionary.h"
#include "core/fs/Walker.h"
#include "core/platform/PlatformLayout.h"
#include "core/util/NameOrder.h"

#include <QList>

#include <algorithm>

namespace Sweepora::Core {
namespace {

QString nameWithoutExtension(const QString& path)
{
    const QString file = lastPathComponent(path);
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? file.left(dot) : file;
}

// Collects application folders; with `deep`, descends into plain folders but never into a
// package, so nothing inside a bundle is seen.
class BundleCollector final : public WalkVisitor
{
public:
    explicit BundleCollector(bool deep) : m_deep(deep) {}

    WalkAction visit(const WalkEntry& entry) override
    {
        if (!entry.isDirectory())
            return WalkAction::proceed;
        const QString path = entry.filePath();
        if (ApplicationBundle::isApplicationName(lastPathComponent(path))) {
            m_found.append(path);
            return WalkAction::skipChildren;
        }
        return m_deep && !entry.isPackage() ? WalkAction::proceed : WalkAction::skipChildren;
    }

    bool m_deep;
    QStringList m_found;
};

QStringList collectBundles(const QString& root, bool deep)
{
    WalkOptions options;
    options.skipHidden = true;
    options.skipPackageDescendants = true;
    QStringList found;
    for (const BundleCollector& part : Walker::walkEach(standardizedPath(root), options, BundleCollector(deep)))
        found += part.m_found;
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

} // namespace

bool ApplicationBundle::isApplicationName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && fileName.mid(dot + 1).compare(QLatin1String("app"), Qt::CaseInsensitive) == 0;
}

ApplicationBundle ApplicationBundle::read(const QString& path)
{
    ApplicationBundle bundle;
    bundle.path = standardizedPath(path);
    bundle.name = nameWithoutExtension(bundle.path);
    const std::optional<InfoDictionary> info = InfoDictionary::ofBundle(bundle.path);
    if (!info)
        return bundle;
    if (const std::optional<QString> display = info->text(QStringLiteral("CFBundleDisplayName")))
        bundle.name = *display;
    else if (const std::optional<QString> name = info->text(QStringLiteral("CFBundleName")))
        bundle.name = *name;
    bundle.bundleID = info->text(QStringLiteral("CFBundleIdentifier"));
    return bundle;
}

QStringList ApplicationBundle::bundlesIn(const QString& root)
{
    return collectBundles(root, false);
}

QStringList ApplicationBundle::bundlesBelow(const QString& root)
{
    return collectBundles(root, true);
}

} // namespace Sweepora::Core
