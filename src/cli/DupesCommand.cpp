#include "cli/Commands.h"

#include "cli/Arguments.h"
#include "cli/FolderArgument.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/scanners/DuplicateFileEngine.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ByteCount.h"

#include <QDir>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

class DupesCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        for (qsizetype i = 0; i < arguments.size(); ++i) {
            const QString& a = arguments[i];
            QString value;
            const OptionValue min = takeOption(arguments, i, QLatin1String("--min"), value);
            if (min == OptionValue::missing)
                return QStringLiteral("--min needs a size, such as 1M or 500K");
            if (min == OptionValue::absent) {
                if (a.startsWith(QLatin1String("--")))
                    return QStringLiteral("dupes does not take \"%1\"").arg(a);
                if (a.isEmpty())
                    return QStringLiteral("dupes needs a folder, not an empty name");
                m_directories.append(a);
                continue;
            }
            const std::optional<qint64> size = DuplicateFileEngine::parseSize(value);
            if (!size)
                return QStringLiteral("--min needs a size, such as 1M or 500K; got \"%1\"").arg(value);
            m_minimum = *size;
        }
        return {};
    }

    Listing scan(const CommandContext& context) override
    {
        Listing listing;
        DuplicateFileEngine::Options options;
        options.minimumSize = m_minimum;
        for (const QString& d : std::as_const(m_directories)) {
            const QString directory = standardizedPath(QDir::current().absoluteFilePath(d));
            if (const QString why = unusableFolder(directory); !why.isEmpty()) {
                listing.failure = QStringLiteral("cannot search %1: %2").arg(directory, why);
                return listing;
            }
            // Naming a folder outside the home is the user's consent to read it (and to move
            // what it holds); one inside is reached from the home's scope.
            if (!Sandbox::isWithin(context.home, directory))
                Sandbox::openScope(directory);
            options.roots.append(directory);
        }
        if (options.roots.isEmpty())
            options.roots.append(context.home);

        DuplicateFileEngine::Report report = DuplicateFileEngine::findDuplicates(options);
        m_groups = report.groups;
        listing.message = SectionTexts::duplicatesFound(report.groups.size(), report.totalWasted);
        listing.columns = {
            {QStringLiteral("大小"), true}, {QStringLiteral("副本"), true}, {QStringLiteral("路径"), false}};
        for (const DuplicateGroup& group : std::as_const(report.groups)) {
            QJsonArray files;
            for (qsizetype i = 0; i < group.copies.size(); ++i) {
                const QString& path = group.copies[i].path;
                files.append(path);
                // The kept copy first, each further one marked as what --move-to-trash moves.
                if (!context.json)
                    listing.rows.append({i == 0 ? formattedByteCount(group.size) : QString(),
                                         i == 0 ? QStringLiteral("保留") : QStringLiteral("重复"), path});
                if (i > 0)
                    listing.trashPaths.append(path);
            }
            listing.items.append(QJsonObject{{QStringLiteral("size"), group.size},
                                             {QStringLiteral("files"), files},
                                             {QStringLiteral("keep"), group.kept().path}});
        }
        return listing;
    }

    bool canMoveToTrash() const override { return true; }
    // Every copy but the kept one of each group, each checked against the kept copy first.
    TrashBatchResult moveToTrash(const QStringList&) override
    {
        QList<DuplicateGroup> groups = m_groups;
        for (DuplicateGroup& group : groups)
            for (qsizetype i = 0; i < group.copies.size(); ++i)
                group.copies[i].selected = i > 0;
        return DuplicateFileEngine::moveToTrash(groups);
    }

private:
    qint64 m_minimum = DuplicateFileEngine::kDefaultMinimumSize;
    QStringList m_directories;
    QList<DuplicateGroup> m_groups;
};

} // namespace

Command dupesCommand()
{
    return {QStringLiteral("dupes"), [] { return std::make_unique<DupesCommand>(); }};
}

} // namespace Sweepora::Cli
