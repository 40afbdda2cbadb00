#pragma once

#include "core/apps/LinuxApplication.h"
#include "core/trash/TrashGateway.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <QHash>

#include <functional>
#include <optional>

namespace Sweepora::Core {

struct UninstallItem
{
    QString path;
    qint64 size = 0;
    ItemIdentity identity; // as found, reached without links: the move takes only this item

    friend bool operator==(const UninstallItem&, const UninstallItem&) = default;
};

// What happens to the application itself when it is uninstalled.
enum class UninstallRemoval {
    trash,   // moved to the trash with its related items (bundles, AppImages, the user's own entries)
    flatpak, // removed by `flatpak uninstall` when the command exists; its data goes to the trash
    manual,  // left in place: removing it needs administrator rights (packaged programs, snaps)
};

struct UninstallApplication
{
    QString path; // the bundle, or the Linux application's own path (LinuxApplication::path)
    QString name;
    std::optional<QString> bundleID;
    qint64 appSize = 0;
    ItemIdentity identity;
    QList<UninstallItem> related; // largest first; equal sizes in candidate order
    ApplicationKind kind = ApplicationKind::bundle;
    QString icon; // for the row's icon: the entry's Icon, else the identifier
    UninstallRemoval removal = UninstallRemoval::trash;
    bool systemWide = false; // a Flatpak of the system installation
    // Manual: the command that removes the program ("sudo apt remove PKG", "snap remove NAME");
    // empty when no package is known to own it.
    QString removalCommand;

    qint64 totalSize() const;
    friend bool operator==(const UninstallApplication&, const UninstallApplication&) = default;
};

// The uninstaller as plain functions: no event loop, no access checks of its own.
namespace ApplicationUninstallEngine {

// Where an application may have left files below `home`/Library: for the identifier and then
// the name, the seven base folders; then the preferences file and the saved window state.
// Terms that could leave the folder they are joined to ("", ".", "..", anything with "/") are
// dropped.
QStringList relatedCandidates(const std::optional<QString>& bundleID, const QString& name, const QString& home);

// The logical size of a file, or the sum over the regular files below a folder (hidden files
// and package contents included), as `found` was looked up at `path`; 0 for anything else.
qint64 itemSize(const QString& path, const ItemIdentity& found);

// Every application below the roots (each bundle once), with its related items, sorted by
// total size, largest first; equal totals keep the order of discovery.
QList<UninstallApplication> listApplications(const QStringList& roots, const QString& home);

// The Linux applications with their related items: ~/.var/app/<id> of a Flatpak, ~/snap/<name>
// of a snap; for the others ~/.config/<x>, <data home>/<x> and ~/.cache/<x> for each folder
// name x (compared without case, exactly); for every kind its autostart entry, the user's own
// desktop entry for it and its icons below <data home>/icons. Sorted as listApplications.
// `owningPackages` finds, for the entries of packaged programs, the command that removes them.
QList<UninstallApplication>
listLinuxApplications(const QList<LinuxApplication>& applications, const LinuxApplicationPlaces& places,
                      const QString& home,
                      const std::function<QHash<QString, QString>(const QStringList&)>& owningPackages = {});

// The applications of the layout's profile.
QList<UninstallApplication> listApplicationsFor(const PlatformLayout& layout, const QString& home);

// For each desktop entry, the command that removes the package owning it, asked of `dpkg -S`
// and else `rpm -qf` (one run for all entries); entries no package owns are left out.
QHash<QString, QString> packageRemovalCommands(const QStringList& entries);

// The `flatpak uninstall` arguments for a Flatpak application.
QStringList flatpakArguments(const UninstallApplication& application);

struct Outcome
{
    bool bundleMoved = false;
    int moved = 0;  // related items moved
    int failed = 0; // related items not moved (declined folders included)
    QStringList movedPaths;
    QList<TrashFailure> failures; // moves the Trash refused
    QString message;
    qint64 batchId = 0; // the cleanup journal's batch, for undo
};

// What moves to the Trash, in order: the application itself when its removal is the Trash,
// then its related items.
QList<TrashItem> workList(const UninstallApplication& application);

// Uninstalls one application: removes a Flatpak with `flatpakProgram` (nothing when empty),
// then moves the work list to the Trash as moveToTrash does. `bundleMoved` of the outcome says
// whether the application itself is gone.
Outcome uninstall(const UninstallApplication& application, const QList<TrashItem>& workList,
                  const QSet<QString>& declinedFolders, const QString& flatpakProgram);

// Moves the work list (bundle first) to the Trash. An item whose parent folder is in
// `declinedFolders` counts as failed without being tried. Refused moves are logged with the
// tag "[ApplicationUninstall]" and the error's full description.
// With `firstIsApplication` false, every item is a related item.
Outcome moveToTrash(const QList<TrashItem>& workList, const QSet<QString>& declinedFolders,
                    bool firstIsApplication = true);

// The full description of a refused move: the error's text and the system's error number.
QString fullErrorDescription(const QString& error, int errorCode);

} // namespace ApplicationUninstallEngine
} // namespace Sweepora::Core
