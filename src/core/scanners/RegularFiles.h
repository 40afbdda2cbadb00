#pragma once

#include "trash/ItemIdentity.h"

#include <QList>
#include <QString>

namespace Sweepora::Core {

class ProtectedPlaces;

struct FoundFile
{
    QString path;
    qint64 size = 0; // logical; 0 when it cannot be read
    ItemIdentity identity;
};

// Every regular file below `folder` (hidden entries skipped, package contents listed, links
// never followed, the folder reached from its scope without links), sorted by path as bytes,
// with protected places left out. The rule scan and the application cache scan share it.
QList<FoundFile> findRegularFiles(const QString& folder, const ProtectedPlaces& protectedPlaces);

} // namespace Sweepora::Core
