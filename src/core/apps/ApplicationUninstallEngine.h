#pragma once

#include "trash/TrashGateway.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace Sweepora::Core {

struct UninstallItem
{
    QString path;
    qint64 size = 0;
    ItemIdentity identity; // as found, reached without links: the move takes only this item

    friend bool operator==(const UninstallItem&, const UninstallItem&) = default;
};

struct UninstallApplication
{
    QString path; // the bundle
    QString name;
    std::optional<QString> bundleID;
    qint64 appSize = 0;
    ItemIdentity identity;
    QList<UninstallItem> related; // largest first; equal sizes in candidate order

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
// and package contents included); 0 when nothing can be read.
qint64 itemSize(const QString& path);

// Every application below the roots (each bundle once), with its related items, sorted by
// total size, largest first; equal totals keep the order of discovery.
QList<UninstallApplication> listApplications(const QStringList& roots, const QString& home);

// "找到 {n} 个应用", or "没有找到应用".
QString scanMessage(qsizetype count);

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

// The bundle and its related items in the order they are moved.
QList<TrashItem> workList(const UninstallApplication& application);

// Moves the work list (bundle first) to the Trash. An item whose parent folder is in
// `declinedFolders` counts as failed without being tried. Refused moves are logged with the
// tag "[ApplicationUninstall]" and the error's full description.
Outcome moveToTrash(const QList<TrashItem>& workList, const QSet<QString>& declinedFolders);

// The full description of a refused move: the error's text and the system's error number.
QString fullErrorDescription(const QString& error, int errorCode);

} // namespace ApplicationUninstallEngine
} // namespace Sweepora::Core
