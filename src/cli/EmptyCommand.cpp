#include "cli/Commands.h"

#include "core/scanners/EmptyFolderEngine.h"
#include "core/sections/SectionTexts.h"

#include <QHash>

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

class EmptyCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        if (!arguments.isEmpty())
            return QStringLiteral("empty does not take \"%1\"").arg(arguments.first());
        return {};
    }

    Listing scan(const CommandContext& context) override
    {
        const EmptyFolderEngine::Report report = EmptyFolderEngine::findEmptyFolders(context.home);
        Listing listing;
        listing.message = SectionTexts::emptyFoldersFound(report.items.size());
        listing.columns = {{QStringLiteral("路径"), false}};
        for (const EmptyFolderItem& item : report.items) {
            listing.items.append(QJsonObject{{QStringLiteral("path"), item.path}});
            listing.rows.append({item.path});
            listing.trashPaths.append(item.path);
            m_found.insert(item.path, item);
        }
        return listing;
    }

    bool canMoveToTrash() const override { return true; }

    TrashBatchResult moveToTrash(const QStringList& paths) override
    {
        // Each folder is checked against what the scan saw, just before it moves.
        QList<EmptyFolderItem> folders;
        folders.reserve(paths.size());
        for (const QString& path : paths)
            folders.append(m_found.value(path, EmptyFolderItem{path, true, {}}));
        return EmptyFolderEngine::moveToTrash(folders);
    }

private:
    QHash<QString, EmptyFolderItem> m_found;
};

} // namespace

Command emptyCommand()
{
    return {QStringLiteral("empty"), [] { return std::make_unique<EmptyCommand>(); }};
}

} // namespace Sweepora::Cli
