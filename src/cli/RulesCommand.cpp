#include "cli/Commands.h"

#include "core/rules/RuleScanEngine.h"
#include "core/rules/RuleStore.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ByteCount.h"

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

class RulesCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        if (!arguments.isEmpty())
            return QStringLiteral("rules does not take \"%1\"").arg(arguments.first());
        return {};
    }

    Listing scan(const CommandContext& context) override
    {
        // The command line's scope is the home folder it was given: no grants to open.
        m_results = RuleScanEngine::scanRules(RuleStore().loadRules(), context.home);
        Listing listing;
        listing.message = SectionTexts::rulesFound(m_results.size());
        listing.columns = {
            {QStringLiteral("大小"), true}, {QStringLiteral("文件"), true}, {QStringLiteral("规则"), false}};
        for (const CleanupResult& r : m_results) {
            listing.items.append(QJsonObject{{QStringLiteral("id"), r.id},
                                             {QStringLiteral("name"), r.rule.name},
                                             {QStringLiteral("packName"), r.rule.packName},
                                             {QStringLiteral("size"), r.size},
                                             {QStringLiteral("files"), QJsonArray::fromStringList(r.files)}});
            listing.rows.append({formattedByteCount(r.size), QString::number(r.files.size()), r.rule.name});
            listing.trashPaths += r.files;
        }
        return listing;
    }

    bool canMoveToTrash() const override { return true; }

    // Every file of every listed result, with the rule cleaner's own summary.
    TrashBatchResult moveToTrash(const QStringList& paths) override
    {
        Q_UNUSED(paths);
        return batchResult(RuleScanEngine::clean(m_results));
    }

private:
    QList<CleanupResult> m_results;
};

} // namespace

Command rulesCommand()
{
    return {QStringLiteral("rules"), [] { return std::make_unique<RulesCommand>(); }};
}

} // namespace Sweepora::Cli
