#include "core/apps/ApplicationCacheEngine.h"

#include "core/apps/ApplicationBundle.h"
#include "core/scanners/RegularFiles.h"
#include "core/trash/ProtectedPlaces.h"
#include "core/trash/TrashGateway.h"
#include "core/util/NameOrder.h"

#include <QMultiHash>

#include <algorithm>
#include <map>

namespace Sweepora::Core::ApplicationCacheEngine {
namespace {

// Reached from its scope without following a link, as the walk and the clean will reach it.
bool folderExists(const QString& path)
{
    return ItemIdentity::lookUp(path).kind == EntryKind::directory;
}

// The folders directly inside `folder`, reached without links, by lower-cased name.
QMultiHash<QString, QString> foldersByLowerName(const QString& folder)
{
    QMultiHash<QString, QString> byName;
    for (const QString& name : LinuxApplications::childFolders(folder))
        byName.insert(name.toLower(), folder + QLatin1Char('/') + name);
    return byName;
}

bool isRevision(const QString& name)
{
    const QStringView digits = name.startsWith(QLatin1Char('x')) ? QStringView(name).mid(1) : QStringView(name);
    return !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
}

} // namespace

QList<ApplicationCacheTarget> linuxTargets(const QList<LinuxApplication>& applications, const QString& home)
{
    const QMultiHash<QString, QString> caches = foldersByLowerName(home + QStringLiteral("/.cache"));
    QSet<QString> claimed;
    QList<ApplicationCacheTarget> targets;
    for (const LinuxApplication& app : applications) {
        QStringList candidates;
        if (app.kind == ApplicationKind::flatpak) {
            candidates.append(home + QStringLiteral("/.var/app/") + app.id + QStringLiteral("/cache"));
        } else if (app.kind == ApplicationKind::snap) {
            const QString snap = home + QStringLiteral("/snap/") + app.id;
            candidates.append(snap + QStringLiteral("/common/.cache"));
            for (const QString& revision : LinuxApplications::childFolders(snap))
                if (isRevision(revision))
                    candidates.append(snap + QLatin1Char('/') + revision + QStringLiteral("/.cache"));
        } else {
            for (const QString& name : app.folderNames()) {
                QStringList matching = caches.values(name.toLower());
                std::sort(matching.begin(), matching.end());
                candidates += matching;
            }
        }
        QStringList existing;
        for (const QString& folder : std::as_const(candidates)) {
            if (claimed.contains(folder) || !folderExists(folder))
                continue;
            claimed.insert(folder);
            existing.append(folder);
        }
        if (!existing.isEmpty())
            targets.append({app.id, app.name, app.id, existing, app.kind, app.icon});
    }
    return targets;
}

QList<ApplicationCacheTarget> discoverTargetsFor(const PlatformLayout& layout, const QString& home)
{
    if (layout.applicationProfile == ApplicationProfile::linuxDesktop)
        return linuxTargets(LinuxApplications::discover(layout.linuxApplications), home);
    return discoverTargets(layout.cacheApplicationRoots(), home);
}

bool isSafeFolderName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

QStringList cacheDirectories(const QString& bundleID, const QString& home)
{
    const QString library = home + QStringLiteral("/Library");
    const QString support = library + QStringLiteral("/Application Support/") + bundleID;
    const QString containerLibrary =
        library + QStringLiteral("/Containers/") + bundleID + QStringLiteral("/Data/Library");
    const QString containerSupport = containerLibrary + QStringLiteral("/Application Support");
    QStringList folders = {
        library + QStringLiteral("/Caches/") + bundleID,
        library + QStringLiteral("/Logs/") + bundleID,
        library + QStringLiteral("/WebKit/") + bundleID,
        library + QStringLiteral("/HTTPStorages/") + bundleID,
    };
    const QStringList supportNames = {QStringLiteral("Cache"),      QStringLiteral("Caches"),
                                      QStringLiteral("Code Cache"), QStringLiteral("GPUCache"),
                                      QStringLiteral("Logs"),       QStringLiteral("Temp")};
    for (const QString& n : supportNames)
        folders.append(support + QLatin1Char('/') + n);
    for (const QString& n :
         {QStringLiteral("Caches"), QStringLiteral("Logs"), QStringLiteral("WebKit"), QStringLiteral("HTTPStorages")})
        folders.append(containerLibrary + QLatin1Char('/') + n);
    for (const QString& n : supportNames)
        folders.append(containerSupport + QLatin1Char('/') + n);
    return folders;
}

QList<ApplicationCacheTarget> discoverTargets(const QStringList& roots, const QString& home)
{
    // Ordered by plain code-point comparison of the identifiers; a later root replaces an earlier one.
    std::map<QString, ApplicationBundle> byIdentifier;
    for (const QString& root : roots) {
        for (const QString& path : ApplicationBundle::bundlesIn(root)) {
            ApplicationBundle bundle = ApplicationBundle::read(path);
            // An identifier such as "" or ".." would name the whole Caches folder, or the
            // Library itself, as this application's cache.
            if (!bundle.bundleID || !isSafeFolderName(*bundle.bundleID))
                continue;
            const QString id = *bundle.bundleID;
            byIdentifier.insert_or_assign(id, std::move(bundle));
        }
    }
    QList<ApplicationCacheTarget> targets;
    for (const auto& [id, bundle] : byIdentifier) {
        QStringList existing;
        for (const QString& folder : cacheDirectories(id, home))
            if (folderExists(folder))
                existing.append(folder);
        if (existing.isEmpty())
            continue;
        targets.append({id, bundle.name, id, existing, ApplicationKind::bundle, QString()});
    }
    return targets;
}

QList<ApplicationCleanupResult> scanTargets(const QList<ApplicationCacheTarget>& targets, const Access& access,
                                            const std::function<void(int, const QString&)>& progress,
                                            const std::shared_ptr<WalkProgress>& walk)
{
    const ProtectedPlaces protectedPlaces = ProtectedPlaces::current();
    const auto cancelled = [&walk] { return walk && walk->isCancelled(); };
    QList<ApplicationCleanupResult> results;
    for (int i = 0; i < targets.size() && !cancelled(); ++i) {
        const ApplicationCacheTarget& target = targets[i];
        if (progress)
            progress(i, target.name);
        std::map<QString, FoundFile> files; // a file reached twice counts once; sorted by path
        QList<WholeFolder> wholeFolders;
        for (const QString& folder : target.directories) {
            const bool opened = access.begin ? access.begin(folder) : false;
            FoundTree found = findRegularFilesAndFolders(folder, protectedPlaces, walk);
            wholeFolders += found.folders;
            for (FoundFile& f : found.files)
                files.try_emplace(f.path, std::move(f));
            if (opened && access.end)
                access.end(folder);
        }
        ApplicationCleanupResult result{target.id, target, {}, {}, {}, 0, false};
        result.wholeFolders = wholeFolders;
        for (const auto& [path, f] : files) {
            result.files.append(path);
            result.identities.append(f.identity);
            result.size += f.size;
        }
        if (result.size < 1 || cancelled())
            continue;
        results.append(std::move(result));
    }
    std::stable_sort(results.begin(), results.end(),
                     [](const ApplicationCleanupResult& a, const ApplicationCleanupResult& b) {
                         return sizeThenNameBefore(a.size, a.target.name, b.size, b.target.name);
                     });
    return results;
}

CleanOutcome clean(const QList<ApplicationCleanupResult>& selected)
{
    const TrashRequest request{
        {QStringLiteral("[ApplicationClean]"), QString(), QString()}, false, {}, QStringLiteral("app-caches")};
    TrashGateway::Batch journalBatch(request.section);
    CleanOutcome outcome;
    for (const ApplicationCleanupResult& result : selected) {
        // Whole folders move as one entry each (see RuleScanEngine::clean).
        const WholeCleanPlan plan = planWholeClean(result.files, result.identities, result.wholeFolders);
        const TrashBatchResult batch =
            resultPerFile(plan, result.files, TrashGateway::moveToTrash(plan.items, request));
        outcome.moved += batch.moved;
        outcome.failed += batch.failed;
        if (batch.failed.isEmpty() && batch.moved.size() == result.files.size())
            outcome.completedIDs.insert(result.id);
    }
    outcome.batchId = journalBatch.id();
    outcome.message = outcome.completedIDs.size() == selected.size()
                          ? QStringLiteral("应用缓存已移到废纸篓")
                          : QStringLiteral("部分应用缓存未能移到废纸篓，请重试");
    return outcome;
}

} // namespace Sweepora::Core::ApplicationCacheEngine
