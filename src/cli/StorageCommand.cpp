#include "cli/Commands.h"

#include "cli/FolderArgument.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/scanners/StorageEngine.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ByteCount.h"

#include <QDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

class StorageCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        for (const QString& a : arguments) {
            if (a.startsWith(QLatin1String("--")))
                return QStringLiteral("storage does not take \"%1\"").arg(a);
            if (!m_directory.isEmpty())
                return QStringLiteral("storage takes one folder; got \"%1\" and \"%2\"").arg(m_directory, a);
            if (a.isEmpty())
                return QStringLiteral("storage needs a folder, not an empty name");
            m_directory = a;
        }
        return {};
    }

    Listing scan(const CommandContext& context) override
    {
        Listing listing;
        const QString directory =
            m_directory.isEmpty() ? context.home : standardizedPath(QDir::current().absoluteFilePath(m_directory));
        if (const QString why = unusableFolder(directory); !why.isEmpty()) {
            listing.failure = QStringLiteral("cannot analyse %1: %2").arg(directory, why);
            return listing;
        }
        // Naming a folder outside the home is the user's consent to read it. One inside the home
        // is reached from the home's scope, so a link on the way there leads nowhere.
        if (!Sandbox::isWithin(context.home, directory))
            Sandbox::openScope(directory);

        const QList<StorageEntry> entries = StorageEngine::listDirectory(directory);
        listing.message = SectionTexts::storageListing(entries.size());
        listing.columns = {
            {QStringLiteral("大小"), true}, {QStringLiteral("类型"), false}, {QStringLiteral("路径"), false}};
        m_entries.clear();
        for (const StorageEntry& e : entries) {
            listing.items.append(QJsonObject{{QStringLiteral("path"), e.path},
                                             {QStringLiteral("isDirectory"), e.isDirectory},
                                             {QStringLiteral("size"), e.size}});
            listing.rows.append({formattedByteCount(e.size),
                                 e.isDirectory ? QStringLiteral("文件夹") : QStringLiteral("文件"), e.path});
            // A protected place is listed in the ranking but never moved.
            if (!e.isProtected) {
                listing.trashPaths.append(e.path);
                m_entries.append(e);
            }
        }
        return listing;
    }

    bool canMoveToTrash() const override { return true; }
    TrashBatchResult moveToTrash(const QStringList&) override { return StorageEngine::moveToTrash(m_entries); }

private:
    QString m_directory;
    QList<StorageEntry> m_entries;
};

} // namespace

Command storageCommand()
{
    return {QStringLiteral("storage"), [] { return std::make_unique<StorageCommand>(); }};
}

} // namespace Sweepora::Cli
