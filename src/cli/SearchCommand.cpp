#include "cli/Commands.h"

#include "core/scanners/FileSearchEngine.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ByteCount.h"

#include <QHash>

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

class SearchCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        if (arguments.size() != 1)
            return QStringLiteral("search takes one QUERY (quote a query with blanks)");
        m_query = FileSearchEngine::trimmedQuery(arguments.first());
        if (m_query.isEmpty())
            return QStringLiteral("search needs a QUERY that is not blank");
        return {};
    }

    Listing scan(const CommandContext& context) override
    {
        const FileSearchEngine::Report report = FileSearchEngine::search(context.home, m_query);
        Listing listing;
        listing.message = SectionTexts::searchFound(report.items.size(), report.query);
        listing.columns = {{QStringLiteral("大小"), true}, {QStringLiteral("路径"), false}};
        for (const FileSearchResult& item : report.items) {
            listing.items.append(QJsonObject{{QStringLiteral("path"), item.path}, {QStringLiteral("size"), item.size}});
            listing.rows.append({formattedByteCount(item.size), item.path});
            listing.trashPaths.append(item.path);
            m_found.insert(item.path, item);
        }
        return listing;
    }

    bool canMoveToTrash() const override { return true; }

    TrashBatchResult moveToTrash(const QStringList& paths) override
    {
        // A file that changed since the search is left where it is.
        QList<FileSearchResult> files;
        files.reserve(paths.size());
        for (const QString& path : paths)
            files.append(m_found.value(path, FileSearchResult{path, 0, true, {}}));
        return FileSearchEngine::moveToTrash(files);
    }

private:
    QString m_query;
    QHash<QString, FileSearchResult> m_found;
};

} // namespace

Command searchCommand()
{
    return {QStringLiteral("search"), [] { return std::make_unique<SearchCommand>(); }};
}

} // namespace Sweepora::Cli
