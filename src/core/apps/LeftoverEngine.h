#pragma once

#include "core/apps/LinuxApplication.h"
#include "core/rules/CleanupResult.h"
#include "core/trash/TrashGateway.h"

#include <QList>
#include <QSet>
#include <QString>

namespace Sweepora::Core {

// Data of an application that is no longer installed.
struct LeftoverItem
{
    QString path;
    QString bundleID; // the Flatpak app ID, the snap name, or the entry's desktop-file ID
    ApplicationKind kind = ApplicationKind::flatpak;
    qint64 size = 0;
    ItemIdentity identity; // as found, reached without links
    bool selected = false;

    friend bool operator==(const LeftoverItem&, const LeftoverItem&) = default;
};

// The leftovers finder as plain functions: no event loop, no access checks of its own.
namespace LeftoverEngine {

// ~/.var/app/<id> with no Flatpak <id> in either installation; ~/snap/<name> with no snap
// <name>; the user's own desktop entries and autostart entries whose program is gone. Exact
// names only. Largest first, then by path; protected places never listed.
QList<LeftoverItem> findLeftovers(const LinuxApplicationPlaces& places, const QString& home);

struct CleanOutcome
{
    QStringList moved;
    QList<TrashFailure> failed;
    QString message;
    qint64 batchId = 0;
};

// Moves the items to the Trash through the gateway ("[Leftovers]" in the log), one journal batch.
CleanOutcome clean(const QList<LeftoverItem>& selected);

} // namespace LeftoverEngine
} // namespace Sweepora::Core
