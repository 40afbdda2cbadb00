
#include "apps/ApplicationCacheEngine.h"
#include "cli/Commands.h"
#include "platform/Clock.h"
#include "platform/Jobs.h"
#include "platform/PlatformLayout.h"
#include "rules/RuleScanEngine.h"
#include "rules/RuleStore.h"
#include "scanners/SharedHomeWalk.h"
#include "sections/SectionTable.h"
#include "util/ByteCount.h"

#include <QJsonObject>

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

template <class Results> qint64 sizeOf(const Results& results)
{
    qint64 sum = 0;
    for (const auto& r : results)
        sum += r.size;
    return sum;
}

class QuickCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        return parseApplicationRoots(QStringLiteral("quick"), arguments, m_roots);
    }

    Listing scan(const CommandContext& context) override
    {
        useApplicationRoots(m_roots);
        const QString home = context.home;
        // The six scans run at once, as in the window: the rules and the application caches on
        // their own jobs, the four whole-home scans on one shared walk on this thread.
        QFuture<QList<CleanupResult>> rules =
            runJob([home] { return RuleScanEngine::scanRules(RuleStore().loadRules(), home); });
        const PlatformLayout layout = PlatformLayout::current();
        QFuture<QList<ApplicationCleanupResult>> caches = runJob([layout, home] {
            return ApplicationCacheEngine::scanTargets(ApplicationCacheEngine::discoverTargetsFor(layout, home), {});
        });
        const std::optional<QDateTime> cutoff = MiscFileEngine::cutoffFor(context.now.value_or(Clock::now()));
        SharedHomeWalk walk(home);
        QFuture<MiscFileEngine::Report> misc = walk.addFileScan(MiscFileCategory::miscellaneous, cutoff);
        QFuture<MiscFileEngine::Report> archives = walk.addFileScan(MiscFileCategory::archives, cutoff);
        QFuture<MiscFileEngine::Report> installers = walk.addFileScan(MiscFileCategory::installers, cutoff);
        QFuture<EmptyFolderEngine::Report> empty = walk.addEmptyFolderScan();
        walk.run();

        Listing listing;
        listing.listsItems = false;
        listing.columns = {{QStringLiteral("扫描"), false},
                           {QStringLiteral("状态"), false},
                           {QStringLiteral("结果"), true},
                           {QStringLiteral("大小"), true}};
        QJsonArray scans;
        const auto add = [&](const QString& section, qsizetype count, std::optional<qint64> size) {
            QJsonObject scan{{QStringLiteral("section"), section},
                             {QStringLiteral("state"), QStringLiteral("scanned")},
                             {QStringLiteral("count"), count},
                             {QStringLiteral("size"), size.value_or(0)}};
            scans.append(scan);
            listing.rows.append({section, QStringLiteral("已完成"), QString::number(count) + QStringLiteral(" 项结果"),
                                 size ? formattedByteCount(*size) : QString()});
        };
        // One row per card of the window's quick cleanup, in its order.
        for (const Section& s : quickCleanupSections()) {
            switch (s.key) {
            case SectionKey::ruleCleanup:
                add(s.id, rules.result().size(), sizeOf(rules.result()));
                break;
            case SectionKey::applicationCleanup:
                add(s.id, caches.result().size(), sizeOf(caches.result()));
                break;
            case SectionKey::miscFiles:
                add(s.id, misc.result().items.size(), sizeOf(misc.result().items));
                break;
            case SectionKey::archives:
                add(s.id, archives.result().items.size(), sizeOf(archives.result().items));
                break;
            case SectionKey::installers:
                add(s.id, installers.result().items.size(), sizeOf(installers.result().items));
                break;
            case SectionKey::emptyFolders: // empty folders have no size
                add(s.id, empty.result().items.size(), std::nullopt);
                break;
            default:
                break;
            }
        }
        listing.extra.insert(QStringLiteral("scans"), scans);
        listing.message = QStringLiteral("已完成 %1/%1 项扫描").arg(scans.size());
        return listing;
    }

private:
    QStringList m_roots;
};

} // namespace

Command quickCommand()
{
    return {QStringLiteral("quick"), [] { return std::make_unique<QuickCommand>(); }};
}

} // namespace Sweepora::Cli
