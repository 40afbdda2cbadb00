#include "apps/ApplicationUninstallEngine.h"

#include "apps/ApplicationBundle.h"
#include "apps/ApplicationCacheEngine.h"
#include "fs/Walker.h"
#include "platform/Log.h"
#include "platform/PlatformLayout.h"
#include "trash/ProtectedPlaces.h"
#include "util/NameOrder.h"

#include <algorithm>

namespace Sweepora::Core {

qint64 UninstallApplication::totalSize() const
{
    qint64 sum = appSize;
    for (const UninstallItem& item : related)
        sum += item.size;
    return sum;
}

namespace ApplicationUninstallEngine {
namespace {

class SizeSummer final : public WalkVisitor
{
public:
    WalkAction visit(const WalkEntry& entry) override
    {
        if (entry.isRegularFile())
            m_size += entry.logicalSize().value_or(0);
        return WalkAction::Continue;
    }
    qint64 m_size = 0;
};

} // namespace

QStringList relatedCandidates(const std::optional<QString>& bundleID, const QString& name, const QString& home)
{
    const QString library = home + QStringLiteral("/Library/");
    QStringList terms;
    if (bundleID)
        terms.append(*bundleID);
    terms.append(name);
    const QStringList bases = {QStringLiteral("Caches"),
                               QStringLiteral("Application Support"),
                               QStringLiteral("Logs"),
                               QStringLiteral("WebKit"),
                               QStringLiteral("HTTPStorages"),
                               QStringLiteral("Containers"),
                               QStringLiteral("Application Scripts")};
    QStringList candidates;
    for (const QString& term : std::as_const(terms)) {
        // ".." would name the Library itself, "" the base folder with every application's data.
        if (!ApplicationCacheEngine::isSafeFolderName(term))
            continue;
        for (const QString& base : bases)
            candidates.append(library + base + QLatin1Char('/') + term);
    }
    if (bundleID && ApplicationCacheEngine::isSafeFolderName(*bundleID)) {
        candidates.append(library + QStringLiteral("Preferences/") + *bundleID + QStringLiteral(".plist"));
        candidates.append(library + QStringLiteral("Saved Application State/") + *bundleID +
                          QStringLiteral(".savedState"));
    }
    return candidates;
}

qint64 itemSize(const QString& path)
{
    const ItemIdentity found = ItemIdentity::lookUp(path);
    if (found.kind == EntryKind::Regular)
        return found.logicalSize;
    WalkOptions options;
    options.skipHidden = false;
    options.skipPackageDescendants = false;
    qint64 size = 0;
    for (const SizeSummer& part : Walker::walkEach(path, options, SizeSummer()))
        size += part.m_size;
    return size;
}

QList<UninstallApplication> listApplications(const QStringList& roots, const QString& home)
{
    const ProtectedPlaces protectedPlaces = ProtectedPlaces::current();
    QList<UninstallApplication> applications;
    QSet<QString> recorded;
    for (const QString& root : roots) {
        for (const QString& path : ApplicationBundle::bundlesBelow(root)) {
            const QString standardized = standardizedPath(path);
            if (recorded.contains(standardized))
                continue;
            recorded.insert(standardized);
            const ApplicationBundle bundle = ApplicationBundle::read(standardized);
            UninstallApplication app;
            app.path = standardized;
            app.name = bundle.name;
            app.bundleID = bundle.bundleID;
            QSet<QString> taken;
            for (const QString& candidate : relatedCandidates(bundle.bundleID, bundle.name, home)) {
                const QString c = standardizedPath(candidate);
                if (taken.contains(c) || protectedPlaces.isProtected(c))
                    continue;
                // Found as the clean will reach it: never through a link.
                const ItemIdentity found = ItemIdentity::lookUp(c);
                if (!found.known)
                    continue;
                taken.insert(c);
                app.related.append({c, itemSize(c), found});
            }
            std::stable_sort(app.related.begin(), app.related.end(),
                             [](const UninstallItem& a, const UninstallItem& b) { return a.size > b.size; });
            app.appSize = itemSize(standardized);
            app.identity = ItemIdentity::lookUp(standardized);
            applications.append(std::move(app));
        }
    }
    std::stable_sort(
        applications.begin(), applications.end(),
        [](const UninstallApplication& a, const UninstallApplication& b) { return a.totalSize() > b.totalSize(); });
    return applications;
}

QString scanMessage(qsizetype count)
{
    if (count < 1)
        return QStringLiteral("没有找到应用");
    return QStringLiteral("找到 %1 个应用").arg(count);
}

QList<TrashItem> workList(const UninstallApplication& application)
{
    QList<TrashItem> list{{application.path, application.identity}};
    for (const UninstallItem& item : application.related)
        list.append({item.path, item.identity});
    return list;
}

QString fullErrorDescription(const QString& error, int errorCode)
{
    if (errorCode == 0)
        return error;
    return QStringLiteral("%1（错误码 %2）").arg(error).arg(errorCode);
}

Outcome moveToTrash(const QList<TrashItem>& workList, const QSet<QString>& declinedFolders)
{
    Outcome outcome;
    TrashGateway::Batch journalBatch(QStringLiteral("apps"));
    for (qsizetype i = 0; i < workList.size(); ++i) {
        const QString& path = workList[i].path;
        const bool isBundle = i == 0;
        bool ok = false;
        if (!declinedFolders.contains(standardizedPath(parentPath(path)))) {
            // One item at a time: the log line carries the error's full description.
            const TrashBatchResult r =
                TrashGateway::moveToTrash({workList[i]}, {{}, false, {}, QStringLiteral("apps")});
            ok = !r.moved.isEmpty();
            if (!ok && !r.failed.isEmpty()) {
                const QString description = fullErrorDescription(r.failed[0].error, r.failed[0].errorCode);
                outcome.failures.append({path, description, r.failed[0].errorCode});
                Log::line(QStringLiteral("[ApplicationUninstall] 移到废纸篓失败：") + path + QStringLiteral("，") +
                          description);
            }
        }
        if (ok)
            outcome.movedPaths.append(path);
        if (isBundle)
            outcome.bundleMoved = ok;
        else if (ok)
            ++outcome.moved;
        else
            ++outcome.failed;
    }
    outcome.batchId = journalBatch.id();
    if (!outcome.bundleMoved && !workList.isEmpty())
        outcome.message =
            QStringLiteral("应用本体未移走；已处理 %1 个关联项目，%2 个失败").arg(outcome.moved).arg(outcome.failed);
    else if (outcome.failed == 0)
        outcome.message = QStringLiteral("已移到废纸篓");
    else
        outcome.message = QStringLiteral("应用已移到废纸篓，%1 个关联项目失败").arg(outcome.failed);
    return outcome;
}

} // namespace ApplicationUninstallEngine
} // namespace Sweepora::Core
