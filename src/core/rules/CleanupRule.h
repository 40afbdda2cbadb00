#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace Sweepora::Core {

// A cleanup rule: one application's group of files that can safely go, named by paths.
struct CleanupRule
{
    bool app = true;
    QString name;
    QStringList paths;
    qint64 notice = 0;
    QString packName;
    QString description;

    // The rule's identity: PackName directly followed by Name, no separator.
    QString ruleKey() const { return packName + name; }

    friend bool operator==(const CleanupRule&, const CleanupRule&) = default;
};

} // namespace Sweepora::Core
