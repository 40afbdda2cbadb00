#include "cli/Commands.h"

#include "core/apps/LeftoverEngine.h"
#include "core/platform/PlatformLayout.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ByteCount.h"

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

class LeftoversCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        if (!arguments.isEmpty())
            return QStringLiteral("leftovers does not take \"%1\"").arg(arguments.first());
        return {};
    }

    Listing scan(const CommandContext& context) override
    {
        // The places of this environment, for the home the command line names.
        m_items = LeftoverEngine::findLeftovers(LinuxApplicationPlaces::fromEnvironment(context.home), context.home);
        Listing listing;
        listing.message = SectionTexts::leftoversFound(m_items.size());
        listing.columns = {{QStringLiteral("大小"), true},
                           {QStringLiteral("来源"), false},
                           {QStringLiteral("标识符"), false},
                           {QStringLiteral("路径"), false}};
        for (const LeftoverItem& item : std::as_const(m_items)) {
            listing.items.append(QJsonObject{{QStringLiteral("path"), item.path},
                                             {QStringLiteral("bundleID"), item.bundleID},
                                             {QStringLiteral("kind"), kindName(item.kind)},
                                             {QStringLiteral("size"), item.size}});
            listing.rows.append({formattedByteCount(item.size), kindName(item.kind), item.bundleID, item.path});
            listing.trashPaths.append(item.path);
        }
        return listing;
    }

    bool canMoveToTrash() const override { return true; }

    TrashBatchResult moveToTrash(const QStringList& paths) override
    {
        Q_UNUSED(paths); // every listed item, in order
        return batchResult(LeftoverEngine::clean(m_items));
    }

private:
    QList<LeftoverItem> m_items;
};

} // namespace

Command leftoversCommand()
{
    return {QStringLiteral("leftovers"), [] { return std::make_unique<LeftoversCommand>(); }};
}

} // namespace Sweepora::Cli
