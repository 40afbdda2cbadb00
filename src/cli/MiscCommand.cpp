#include "cli/Commands.h"

#include "core/platform/Clock.h"
#include "core/scanners/MiscFileEngine.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ByteCount.h"

#include <QHash>

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

class MiscCommand final : public CommandRunner
{
public:
    explicit MiscCommand(MiscFileCategory category) : m_category(category) {}

    QString parse(const QStringList& arguments) override
    {
        if (!arguments.isEmpty())
            return QStringLiteral("%1 takes no arguments; got \"%2\"")
                .arg(MiscFileEngine::commandName(m_category), arguments.first());
        return {};
    }

    Listing scan(const CommandContext& context) override
    {
        const QDateTime now = context.now.value_or(Clock::now());
        const MiscFileEngine::Report report = MiscFileEngine::findFilesAsOf(context.home, m_category, now);
        Listing listing;
        listing.message = miscFileTexts(m_category).resultMessage(report.items.size());
        listing.columns = {
            {QStringLiteral("大小"), true}, {QStringLiteral("创建于"), false}, {QStringLiteral("路径"), false}};
        for (const MiscFileItem& item : report.items) {
            const QString created = item.creationDate.toUTC().toString(Qt::ISODateWithMs);
            listing.items.append(QJsonObject{{QStringLiteral("path"), item.path},
                                             {QStringLiteral("size"), item.size},
                                             {QStringLiteral("created"), created}});
            listing.rows.append({formattedByteCount(item.size),
                                 item.creationDate.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                 item.path});
            listing.trashPaths.append(item.path);
            m_found.insert(item.path, item);
        }
        return listing;
    }

    bool canMoveToTrash() const override { return true; }

    TrashBatchResult moveToTrash(const QStringList& paths) override
    {
        // Only what this run listed, checked again against what the scan saw.
        QList<MiscFileItem> items;
        for (const QString& path : paths) {
            MiscFileItem item = m_found.value(path);
            item.path = path; // never listed: unidentified, so it is reported, not moved
            items.append(item);
        }
        return MiscFileEngine::moveToTrash(items, m_category);
    }

private:
    MiscFileCategory m_category;
    QHash<QString, MiscFileItem> m_found;
};

Command commandFor(MiscFileCategory category)
{
    return {MiscFileEngine::commandName(category), [category] { return std::make_unique<MiscCommand>(category); }};
}

} // namespace

Command miscCommand()
{
    return commandFor(MiscFileCategory::miscellaneous);
}

Command archivesCommand()
{
    return commandFor(MiscFileCategory::archives);
}

Command installersCommand()
{
    return commandFor(MiscFileCategory::installers);
}

} // namespace Sweepora::Cli
