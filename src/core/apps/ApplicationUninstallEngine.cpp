#include "core/apps/ApplicationUninstallEngine.h"

#include "core/apps/ApplicationBundle.h"
#include "core/apps/ApplicationCacheEngine.h"
#include "core/fs/Walker.h"
#include "core/platform/Log.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/trash/ProtectedPlaces.h"
#include "core/util/NameOrder.h"

#include <QMultiHash>
#include <QProcess>
#include <QStandardPaths>

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
        return WalkAction::proceed;
    }
    qint64 m_size = 0;
};

// The items directly inside `folder` (folders and files, not links), by lower-cased name.
QMultiHash<QString, QString> childrenByLowerName(const QString& folder)
{
    QMultiHash<QString, QString> byName;
    for (const QString& name : LinuxApplications::childItems(folder))
        byName.insert(name.toLower(), folder + QLatin1Char('/') + name);
    return byName;
}

// Icon files below the user's icon folder, by name without the extension.
class IconCollector final : public WalkVisitor
{
public:
    WalkAction visit(const WalkEntry& entry) override
    {
        if (!entry.isRegularFile())
            return WalkAction::proceed;
        const QString path = entry.filePath();
        const QString name = lastPathComponent(path);
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot <= 0)
            return WalkAction::proceed;
        const QString extension = name.mid(dot + 1).toLower();
        if (extension == QLatin1String("png") || extension == QLatin1String("svg") ||
            extension == QLatin1String("svgz") || extension == QLatin1String("xpm"))
            m_found.insert(name.left(dot), path);
        return WalkAction::proceed;
    }
    QMultiHash<QString, QString> m_found;
};

// The places below the home that Linux applications keep their files in, listed once.
struct UserFolders
{
    QMultiHash<QString, QString> config;
    QMultiHash<QString, QString> data;
    QMultiHash<QString, QString> cache;
    QMultiHash<QString, QString> icons;
};

QStringList linuxRelatedCandidates(const LinuxApplication& app, const LinuxApplicationPlaces& places,
                                   const QString& home, const UserFolders& folders)
{
    QStringList candidates;
    if (app.kind == ApplicationKind::flatpak)
        candidates.append(home + QStringLiteral("/.var/app/") + app.id);
    else if (app.kind == ApplicationKind::snap)
        candidates.append(home + QStringLiteral("/snap/") + app.id);
    else {
        for (const QString& name : app.folderNames()) {
            for (const QMultiHash<QString, QString>* table : {&folders.config, &folders.data, &folders.cache}) {
                QStringList matching = table->values(name.toLower());
                std::sort(matching.begin(), matching.end());
                candidates += matching;
            }
        }
    }
    candidates.append(home + QStringLiteral("/.config/autostart/") + app.id + QStringLiteral(".desktop"));
    const QString ownEntry = places.userEntryFolder() + QLatin1Char('/') + app.id + QStringLiteral(".desktop");
    if (ownEntry != app.path)
        candidates.append(ownEntry);
    if (!app.desktopEntry.isEmpty() && app.desktopEntry != app.path &&
        Sandbox::isWithin(places.userEntryFolder(), app.desktopEntry))
        candidates.append(app.desktopEntry);
    // An icon named by a theme name, not a path; a name shared by everything ("") is no name.
    if (ApplicationCacheEngine::isSafeFolderName(app.icon)) {
        QStringList icons = folders.icons.values(app.icon);
        std::sort(icons.begin(), icons.end());
        candidates += icons;
    }
    return candidates;
}

// The candidates that exist, found as the clean will reach them (never through a link), each
// once, neither the application itself nor a protected place, largest first; then the
// application's own identity and size.
void measure(UninstallApplication& app, const QStringList& candidates, const ProtectedPlaces& protectedPlaces)
{
    QSet<QString> taken{app.path};
    for (const QString& candidate : candidates) {
        const QString c = standardizedPath(candidate);
        if (taken.contains(c) || protectedPlaces.isProtected(c))
            continue;
        const ItemIdentity found = ItemIdentity::lookUp(c);
        if (!found.known)
            continue;
        taken.insert(c);
        app.related.append({c, itemSize(c, found), found});
    }
    std::stable_sort(app.related.begin(), app.related.end(),
                     [](const UninstallItem& a, const UninstallItem& b) { return a.size > b.size; });
    app.identity = ItemIdentity::lookUp(app.path);
    app.appSize = itemSize(app.path, app.identity);
}

UninstallApplication describe(const LinuxApplication& app, const LinuxApplicationPlaces& places, const QString& home,
                              const UserFolders& folders, const ProtectedPlaces& protectedPlaces)
{
    UninstallApplication u;
    u.path = standardizedPath(app.path);
    u.name = app.name;
    u.bundleID = app.id;
    u.kind = app.kind;
    u.icon = app.icon.isEmpty() ? app.id : app.icon;
    u.systemWide = app.systemWide;
    switch (app.kind) {
    case ApplicationKind::flatpak:
        u.removal = UninstallRemoval::flatpak;
        break;
    case ApplicationKind::snap:
        u.removal = UninstallRemoval::manual;
        u.removalCommand = QStringLiteral("snap remove ") + app.id;
        break;
    case ApplicationKind::desktop:
        u.removal = UninstallRemoval::manual;
        break;
    default:
        u.removal = UninstallRemoval::trash;
        break;
    }
    measure(u, linuxRelatedCandidates(app, places, home, folders), protectedPlaces);
    return u;
}

QStringList runLines(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments, QIODevice::ReadOnly);
    process.closeWriteChannel();
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'));
}

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

qint64 itemSize(const QString& path, const ItemIdentity& found)
{
    if (found.kind == EntryKind::regular)
        return found.logicalSize;
    if (found.kind != EntryKind::directory)
        return 0;
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
            measure(app, relatedCandidates(bundle.bundleID, bundle.name, home), protectedPlaces);
            applications.append(std::move(app));
        }
    }
    std::stable_sort(
        applications.begin(), applications.end(),
        [](const UninstallApplication& a, const UninstallApplication& b) { return a.totalSize() > b.totalSize(); });
    return applications;
}

QList<UninstallApplication>
listLinuxApplications(const QList<LinuxApplication>& applications, const LinuxApplicationPlaces& places,
                      const QString& home,
                      const std::function<QHash<QString, QString>(const QStringList&)>& owningPackages)
{
    const ProtectedPlaces protectedPlaces = ProtectedPlaces::current();
    UserFolders folders;
    folders.config = childrenByLowerName(home + QStringLiteral("/.config"));
    folders.data = childrenByLowerName(places.dataHome);
    folders.cache = childrenByLowerName(home + QStringLiteral("/.cache"));
    WalkOptions options;
    options.threads = 1;
    for (const IconCollector& part :
         Walker::walkEach(places.dataHome + QStringLiteral("/icons"), options, IconCollector()))
        folders.icons = part.m_found;

    QList<UninstallApplication> listed;
    QStringList packaged;
    for (const LinuxApplication& app : applications) {
        listed.append(describe(app, places, home, folders, protectedPlaces));
        if (app.kind == ApplicationKind::desktop)
            packaged.append(app.path);
    }
    if (owningPackages && !packaged.isEmpty()) {
        const QHash<QString, QString> commands = owningPackages(packaged);
        for (UninstallApplication& app : listed)
            if (app.kind == ApplicationKind::desktop)
                app.removalCommand = commands.value(app.path);
    }
    std::stable_sort(listed.begin(), listed.end(), [](const UninstallApplication& a, const UninstallApplication& b) {
        return a.totalSize() > b.totalSize();
    });
    return listed;
}

QList<UninstallApplication> listApplicationsFor(const PlatformLayout& layout, const QString& home)
{
    if (layout.applicationProfile == ApplicationProfile::linuxDesktop)
        return listLinuxApplications(LinuxApplications::discover(layout.linuxApplications), layout.linuxApplications,
                                     home, packageRemovalCommands);
    return listApplications(layout.applicationRoots, home);
}

QHash<QString, QString> packageRemovalCommands(const QStringList& entries)
{
    QHash<QString, QString> commands;
    if (const QString dpkg = QStandardPaths::findExecutable(QStringLiteral("dpkg")); !dpkg.isEmpty()) {
        // "pkg[:arch][, other]: /path" for each entry a package owns.
        for (const QString& line : runLines(dpkg, QStringList{QStringLiteral("-S")} + entries)) {
            const qsizetype split = line.indexOf(QLatin1String(": /"));
            if (split < 1)
                continue;
            const QString path = line.mid(split + 2).trimmed();
            const QString package = line.left(split).section(QLatin1Char(','), 0, 0).section(QLatin1Char(':'), 0, 0);
            if (entries.contains(path) && !package.trimmed().isEmpty())
                commands.insert(path, QStringLiteral("sudo apt remove ") + package.trimmed());
        }
        return commands;
    }
    if (const QString rpm = QStandardPaths::findExecutable(QStringLiteral("rpm")); !rpm.isEmpty()) {
        // One line per entry, in order: the owner's name, or a sentence for a file no package owns.
        const QStringList lines = runLines(
            rpm, QStringList{QStringLiteral("-qf"), QStringLiteral("--qf"), QStringLiteral("%{NAME}\\n")} + entries);
        for (qsizetype i = 0; i < entries.size() && i < lines.size(); ++i) {
            const QString package = lines[i].trimmed();
            if (!package.isEmpty() && !package.contains(QLatin1Char(' ')))
                commands.insert(entries[i], QStringLiteral("sudo dnf remove ") + package);
        }
    }
    return commands;
}

QStringList flatpakArguments(const UninstallApplication& application)
{
    return {QStringLiteral("uninstall"), QStringLiteral("--noninteractive"),
            application.systemWide ? QStringLiteral("--system") : QStringLiteral("--user"),
            application.bundleID.value_or(QString())};
}

QList<TrashItem> workList(const UninstallApplication& application)
{
    QList<TrashItem> list;
    if (application.removal == UninstallRemoval::trash)
        list.append({application.path, application.identity});
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

Outcome moveToTrash(const QList<TrashItem>& workList, const QSet<QString>& declinedFolders, bool firstIsApplication)
{
    Outcome outcome;
    TrashGateway::Batch journalBatch(QStringLiteral("apps"));
    for (qsizetype i = 0; i < workList.size(); ++i) {
        const QString& path = workList[i].path;
        const bool isBundle = firstIsApplication && i == 0;
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
    if (!firstIsApplication)
        outcome.message = outcome.failed == 0 ? QStringLiteral("关联项目已移到废纸篓")
                                              : QStringLiteral("%1 个关联项目未能移到废纸篓").arg(outcome.failed);
    else if (!outcome.bundleMoved && !workList.isEmpty())
        outcome.message =
            QStringLiteral("应用本体未移走；已处理 %1 个关联项目，%2 个失败").arg(outcome.moved).arg(outcome.failed);
    else if (outcome.failed == 0)
        outcome.message = QStringLiteral("已移到废纸篓");
    else
        outcome.message = QStringLiteral("应用已移到废纸篓，%1 个关联项目失败").arg(outcome.failed);
    return outcome;
}

Outcome uninstall(const UninstallApplication& application, const QList<TrashItem>& workList,
                  const QSet<QString>& declinedFolders, const QString& flatpakProgram)
{
    if (application.removal == UninstallRemoval::trash)
        return moveToTrash(workList, declinedFolders);
    QString removed;
    bool gone = false;
    if (application.removal == UninstallRemoval::flatpak) {
        if (flatpakProgram.isEmpty()) {
            removed = QStringLiteral("未找到 flatpak 命令，应用未卸载");
        } else {
            QProcess process;
            process.start(flatpakProgram, flatpakArguments(application), QIODevice::ReadOnly);
            process.closeWriteChannel();
            gone = process.waitForFinished(10 * 60 * 1000) && process.exitStatus() == QProcess::NormalExit &&
                   process.exitCode() == 0;
            if (!gone) {
                const QString error = QString::fromUtf8(process.readAllStandardError()).trimmed();
                Log::line(QStringLiteral("[ApplicationUninstall] flatpak 卸载失败：") +
                          application.bundleID.value_or(QString()) + QStringLiteral("，") + error);
            }
            removed = gone ? QStringLiteral("已用 Flatpak 卸载应用") : QStringLiteral("Flatpak 卸载失败");
        }
    } else {
        removed = application.removalCommand.isEmpty()
                      ? QStringLiteral("应用本体请用软件包管理器卸载")
                      : QStringLiteral("应用本体请在终端运行 %1 卸载").arg(application.removalCommand);
    }
    Outcome outcome = moveToTrash(workList, declinedFolders, false);
    outcome.bundleMoved = gone;
    outcome.message = removed + QStringLiteral("；") + outcome.message;
    return outcome;
}

} // namespace ApplicationUninstallEngine
} // namespace Sweepora::Core
