#include "core/apps/LeftoverEngine.h"

#include "core/apps/ApplicationUninstallEngine.h"
#include "core/apps/DesktopEntry.h"
#include "core/platform/PlatformLayout.h"
#include "core/trash/ProtectedPlaces.h"

#include <QSet>

#include <algorithm>

namespace Sweepora::Core::LeftoverEngine {
namespace {

QSet<QString> folderSet(const QString& folder)
{
    const QStringList names = LinuxApplications::childFolders(folder);
    return QSet<QString>(names.begin(), names.end());
}

} // namespace

QList<LeftoverItem> findLeftovers(const LinuxApplicationPlaces& places, const QString& home)
{
    QList<std::pair<QString, std::pair<QString, ApplicationKind>>> found; // path → (ID, kind)

    // A Flatpak counts as installed while either installation has its app folder.
    const QSet<QString> flatpaks = folderSet(places.flatpakUser + QStringLiteral("/app")) +
                                   folderSet(places.flatpakSystem + QStringLiteral("/app"));
    const QString varApp = home + QStringLiteral("/.var/app");
    for (const QString& id : LinuxApplications::childFolders(varApp))
        if (LinuxApplications::isValidApplicationID(id) && !flatpaks.contains(id))
            found.append({varApp + QLatin1Char('/') + id, {id, ApplicationKind::flatpak}});

    const QSet<QString> snaps = folderSet(places.snapRoot);
    const QString snapHome = home + QStringLiteral("/snap");
    for (const QString& name : LinuxApplications::childFolders(snapHome))
        if (LinuxApplications::isValidApplicationID(name) && !snaps.contains(name))
            found.append({snapHome + QLatin1Char('/') + name, {name, ApplicationKind::snap}});

    // Entries whose program is gone: an entry that runs nothing (a Hidden override) is no leftover.
    for (const QString& folder : {places.userEntryFolder(), home + QStringLiteral("/.config/autostart")}) {
        for (const QString& name : LinuxApplications::childItems(folder)) {
            if (!name.endsWith(QLatin1String(".desktop")))
                continue;
            const QString path = folder + QLatin1Char('/') + name;
            const std::optional<DesktopEntry> entry = DesktopEntry::read(path);
            if (!entry)
                continue;
            const QString program = entry->tryExec.isEmpty() ? entry->program() : entry->tryExec;
            if (program.isEmpty() || LinuxApplications::programExists(program))
                continue;
            found.append({path, {desktopFileID(name), ApplicationKind::user}});
        }
    }

    const ProtectedPlaces protectedPlaces = ProtectedPlaces::current();
    QList<LeftoverItem> items;
    for (const auto& [path, what] : found) {
        const QString p = standardizedPath(path);
        if (protectedPlaces.isProtected(p))
            continue;
        const ItemIdentity identity = ItemIdentity::lookUp(p);
        if (!identity.known)
            continue;
        items.append({p, what.first, what.second, ApplicationUninstallEngine::itemSize(p, identity), identity, false});
    }
    std::sort(items.begin(), items.end(), [](const LeftoverItem& a, const LeftoverItem& b) {
        return a.size != b.size ? a.size > b.size : a.path < b.path;
    });
    return items;
}

CleanOutcome clean(const QList<LeftoverItem>& selected)
{
    const TrashRequest request{
        {QStringLiteral("[Leftovers]"), QString(), QString()}, false, {}, QStringLiteral("leftovers")};
    TrashGateway::Batch journalBatch(request.section);
    QList<TrashItem> items;
    for (const LeftoverItem& item : selected)
        items.append({item.path, item.identity, item.size});
    const TrashBatchResult result = TrashGateway::moveToTrash(items, request);
    CleanOutcome outcome;
    outcome.moved = result.moved;
    outcome.failed = result.failed;
    outcome.batchId = journalBatch.id();
    outcome.message = result.failed.isEmpty() ? QStringLiteral("残留文件已移到废纸篓")
                                              : QStringLiteral("部分残留文件未能移到废纸篓，请重试");
    return outcome;
}

} // namespace Sweepora::Core::LeftoverEngine
