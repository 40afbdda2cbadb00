#pragma once

#include "core/rules/CleanupRule.h"
#include "core/scanners/RegularFiles.h"
#include "core/trash/ItemIdentity.h"
#include "core/util/ScanState.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace Sweepora::Core {

// One rule's result of a rule scan.
struct CleanupResult
{
    QString id; // the rule's ruleKey()
    CleanupRule rule;
    QString accessPath;              // the first path of the rule that resolves; reopened when cleaning
    QStringList files;               // every regular file found under the rule's paths, in discovery order
    QList<ItemIdentity> identities;  // what the scan saw of each file, in the same order
    QList<WholeFolder> wholeFolders; // folders below the rule's paths that hold only listed files
    qint64 size = 0;                 // sum of the files' logical sizes
    bool selected = false;

    friend bool operator==(const CleanupResult&, const CleanupResult&) = default;
};

} // namespace Sweepora::Core
