#include "cli/Commands.h"

#include "cli/Arguments.h"
#include "core/apps/ApplicationCacheEngine.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ByteCount.h"

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

class AppCachesCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        return parseApplicationRoots(QStringLiteral("app-caches"), arguments, m_roots);
    }

    Listing scan(const CommandContext& context) override
    {
        useApplicationRoots(m_roots);
        const QList<ApplicationCacheTarget> targets =
            ApplicationCacheEngine::discoverTargetsFor(PlatformLayout::current(), context.home);
        // The command line's scope is the whole home: nothing further to open per folder.
        m_results = ApplicationCacheEngine::scanTargets(targets, {});
        Listing listing;
        listing.message = SectionTexts::applicationCachesFound(m_results.size());
        listing.columns = {{QStringLiteral("大小"), true},
                           {QStringLiteral("文件"), true},
                           {QStringLiteral("应用"), false},
                           {QStringLiteral("标识符"), false}};
        for (const ApplicationCleanupResult& r : std::as_const(m_results)) {
            QJsonArray files;
            for (const QString& f : r.files)
                files.append(f);
            listing.items.append(QJsonObject{{QStringLiteral("bundleID"), r.target.bundleID},
                                             {QStringLiteral("name"), r.target.name},
                                             {QStringLiteral("kind"), kindName(r.target.kind)},
                                             {QStringLiteral("size"), r.size},
                                             {QStringLiteral("files"), files}});
            listing.rows.append(
                {formattedByteCount(r.size), QString::number(r.files.size()), r.target.name, r.target.bundleID});
            listing.trashPaths += r.files;
        }
        return listing;
    }

    bool canMoveToTrash() const override { return true; }

    TrashBatchResult moveToTrash(const QStringList& paths) override
    {
        Q_UNUSED(paths); // every file of every result, as listed
        return batchResult(ApplicationCacheEngine::clean(m_results));
    }

private:
    QStringList m_roots;
    QList<ApplicationCleanupResult> m_results;
};

} // namespace

QString parseApplicationRoots(const QString& command, const QStringList& arguments, QStringList& roots)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        QString value;
        const OptionValue root = takeOption(arguments, i, QLatin1String("--app-root"), value);
        if (root == OptionValue::absent)
            return QStringLiteral("%1 does not take \"%2\"").arg(command, a);
        if (value.isEmpty())
            return QStringLiteral("--app-root needs a folder");
        roots.append(standardizedPath(value));
    }
    return {};
}

void useApplicationRoots(const QStringList& roots)
{
    if (roots.isEmpty())
        return;
    PlatformLayout layout = PlatformLayout::current();
    layout.useBundleRoots(roots);
    PlatformLayout::setCurrent(layout);
    Sandbox::setReadOnlyRoots(roots);
}

Command appCachesCommand()
{
    return {QStringLiteral("app-caches"), [] { return std::make_unique<AppCachesCommand>(); }};
}

} // namespace Sweepora::Cli
