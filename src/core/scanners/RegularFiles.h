#pragma once

#include "core/fs/WalkProgress.h"

#include "core/trash/ItemIdentity.h"
#include "core/trash/TrashGateway.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace Sweepora::Core {

class ProtectedPlaces;

struct FoundFile
{
    QString path;
    qint64 size = 0; // logical; 0 when it cannot be read
    ItemIdentity identity;
};

// A child folder of a scanned folder whose every entry below is one of the listed files (or a
// folder holding only such): a clean that takes all of them can move the folder as one entry.
struct WholeFolder
{
    QString path;
    ItemIdentity identity;
    qsizetype count = 0; // the listed files below it
    qint64 size = 0;

    friend bool operator==(const WholeFolder&, const WholeFolder&) = default;
};

struct FoundTree
{
    QList<FoundFile> files;
    QList<WholeFolder> folders;
};

// Every regular file below `folder` (hidden entries skipped, package contents listed, links
// never followed, the folder reached from its scope without links), sorted by path as bytes,
// with protected places left out. The rule scan and the application cache scan share it.
QList<FoundFile> findRegularFiles(const QString& folder, const ProtectedPlaces& protectedPlaces);
// The same files, and the child folders that hold nothing else: no hidden entry, no link or
// other special file, no folder that could not be read, no protected place.
// A cancelled `progress` ends the walk early: what comes back is then partial, whole folders
// included, and must not be cleaned.
FoundTree findRegularFilesAndFolders(const QString& folder, const ProtectedPlaces& protectedPlaces,
                                     const std::shared_ptr<WalkProgress>& progress = {});

// What a clean of every file of `files` hands to the Trash gateway: each whole folder whose
// files are all there, next to each other in the list, as one entry; every other file alone.
// `covers[i]` are the indices in `files` of the files that item i stands for.
struct WholeCleanPlan
{
    QList<TrashItem> items;
    QList<QList<qsizetype>> covers;
};
WholeCleanPlan planWholeClean(const QStringList& files, const QList<ItemIdentity>& identities,
                              const QList<WholeFolder>& folders);
// The gateway's answer for the plan's items, told per file again: a folder that moved moved
// its files, a folder that stayed kept them, with its reason.
TrashBatchResult resultPerFile(const WholeCleanPlan& plan, const QStringList& files, const TrashBatchResult& result);

} // namespace Sweepora::Core
