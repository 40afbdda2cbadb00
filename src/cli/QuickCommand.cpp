
#include "cli/Commands.h"
#include "core/platform/Clock.h"
#include "core/quick/QuickCleanupViewModel.h"
#include "core/quick/QuickScan.h"
#include "core/rules/RuleStore.h"
#include "core/sections/SectionTable.h"

#include <QJsonObject>

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

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
        // The six scans run at once, as in the window.
        QuickScan::Options options{
            .home = context.home,
            .cutoff = MiscFileEngine::cutoffFor(context.now.value_or(Clock::now())),
            .rules = RuleStore().loadRules(),
            .applicationLayout = PlatformLayout::current(),
            .fileScans = {{MiscFileCategory::miscellaneous, {}},
                          {MiscFileCategory::archives, {}},
                          {MiscFileCategory::installers, {}}},
            .emptyFolders = QuickScan::HandBack<EmptyFolderEngine::Report>(),
        };
        const QuickScan::Report report = QuickScan::run(options);

        Listing listing;
        listing.listsItems = false;
        listing.columns = {{QStringLiteral("扫描"), false},
                           {QStringLiteral("状态"), false},
                           {QStringLiteral("结果"), true},
                           {QStringLiteral("大小"), true}};
        QJsonArray scans;
        // One row per card of the window's quick cleanup, in its order.
        for (const Section& s : quickCleanupSections()) {
            const QuickScan::Figures figures = report.figures(s.key);
            // Worded as the window's card; the empty folders have no size column here.
            const QuickCleanupCard card{
                s.id, s.symbol, s.quickTint, QuickCleanupCard::Status::done, figures.count, figures.size.value_or(0)};
            scans.append(QJsonObject{{QStringLiteral("section"), s.id},
                                     {QStringLiteral("state"), QStringLiteral("scanned")},
                                     {QStringLiteral("count"), figures.count},
                                     {QStringLiteral("size"), card.size}});
            listing.rows.append(
                {s.id, card.statusText(), card.countText(), figures.size ? card.figureText() : QString()});
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
