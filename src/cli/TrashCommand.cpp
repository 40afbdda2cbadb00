#include "cli/Commands.h"

#include "core/platform/PlatformLayout.h"
#include "core/scanners/TrashSummaryEngine.h"
#include "core/util/ByteCount.h"

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

class TrashCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        if (!arguments.isEmpty())
            return QStringLiteral("trash does not take \"%1\"").arg(arguments.first());
        return {};
    }

    Listing scan(const CommandContext& context) override
    {
        Q_UNUSED(context);
        const TrashSummaryEngine::Count count = TrashSummaryEngine::countTrash(PlatformLayout::current().trashFolder);
        Listing listing;
        listing.message = count.isAvailable()
                              ? QStringLiteral("%1 项 · %2")
                                    .arg(QString::number(count.itemCount), formattedByteCount(count.totalSize))
                              : QStringLiteral("暂时无法读取");
        listing.extra = {{QStringLiteral("itemCount"), count.itemCount},
                         {QStringLiteral("totalSize"), count.totalSize},
                         {QStringLiteral("available"), count.isAvailable()}};
        return listing;
    }
};

} // namespace

Command trashCommand()
{
    return {QStringLiteral("trash"), [] { return std::make_unique<TrashCommand>(); }};
}

} // namespace Sweepora::Cli
