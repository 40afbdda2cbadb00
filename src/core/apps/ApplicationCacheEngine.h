#pragma once

#include "core/fs/WalkProgress.h"

#include "core/apps/LinuxApplication.h"
#include "core/rules/CleanupResult.h"
#include "core/trash/TrashBatch.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace Sweepora::Core {

// One installed application and those of its cache folders that exist.
struct ApplicationCacheTarget
{
    QString id; // the bundle identifier
    QString name;
    QString bundleID;
    QStringList directories; // in the order of the candidate table
    ApplicationKind kind = ApplicationKind::bundle;
    QString icon = {}; // the entry's Icon (theme name or file); empty: the identifier names the icon

    friend bool operator==(const ApplicationCacheTarget&, const ApplicationCacheTarget&) = default;
};

struct ApplicationCleanupResult
{
    QString id; // the bundle identifier
    ApplicationCacheTarget target;
    QStringList files;               // every regular file of the target's folders, each path once, sorted by path
    QList<ItemIdentity> identities;  // what the scan saw of each file, in the same order
    QList<WholeFolder> wholeFolders; // folders that hold only listed files, moved as one entry
    qint64 size = 0;                 // sum of the files' logical sizes
    bool selected = false;

    friend bool operator==(const ApplicationCleanupResult&, const ApplicationCleanupResult&) = default;
};

// The application cache cleaner as plain functions: no event loop, no access checks of its own
// (the caller passes how folders are reached).
namespace ApplicationCacheEngine {

struct Access
{
    // Makes a folder reachable; true when it opened something that `end` must close.
    std::function<bool(const QString& folder)> begin;
    std::function<void(const QString& folder)> end;
};

// A bundle identifier that can name a folder below the Library without leaving the folder it
// is joined to: not empty, not "." or "..", no "/" and no NUL.
bool isSafeFolderName(const QString& name);

// The twenty candidate cache folders of `bundleID` below `home`/Library, in their fixed order.
QStringList cacheDirectories(const QString& bundleID, const QString& home);

// The applications directly inside the roots (later roots win for the same identifier), in
// ascending identifier order, each with its existing candidate folders; applications with no
// identifier, an unsafe one, or no existing folder are left out.
QList<ApplicationCacheTarget> discoverTargets(const QStringList& roots, const QString& home);

// The cache folders of Linux applications that exist, matched by exact names only:
// ~/.var/app/<id>/cache of a Flatpak; ~/snap/<name>/common/.cache and ~/snap/<name>/<revision>/.cache
// of a snap; for any other application ~/.cache/<x> for each of its folder names, compared
// without case. A folder goes to the first application (by ID) that names it; applications
// without a folder are left out. Sorted by ID.
QList<ApplicationCacheTarget> linuxTargets(const QList<LinuxApplication>& applications, const QString& home);

// The targets of the layout's profile: bundles below its cache roots, or Linux applications.
QList<ApplicationCacheTarget> discoverTargetsFor(const PlatformLayout& layout, const QString& home);

// Lists the regular files of every target's folders (hidden entries skipped, package contents
// included), one result per target with at least one byte, sorted larger first, then by name.
// `progress` is told the index and name of each target before it is scanned.
// Walks count into `walk`; once it is cancelled no further target is scanned, and the one whose
// walk it cut short is left out, since a partial list could make a folder look wholly cleanable.
QList<ApplicationCleanupResult> scanTargets(const QList<ApplicationCacheTarget>& targets, const Access& access,
                                            const std::function<void(int, const QString&)>& progress = {},
                                            const std::shared_ptr<WalkProgress>& walk = {});

struct CleanOutcome
{
    QSet<QString> completedIDs; // results whose every file moved (and results without files)
    QStringList moved;
    QList<TrashFailure> failed;
    QString message;
    qint64 batchId = 0; // the cleanup journal's batch, for undo
};

// Moves every file of the given results to the Trash ("[ApplicationClean]" in the log).
CleanOutcome clean(const QList<ApplicationCleanupResult>& selected);

} // namespace ApplicationCacheEngine
} // namespace Sweepora::Core
