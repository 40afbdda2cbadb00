#pragma once

#include "core/fs/WalkProgress.h"
#include "core/rules/CleanupResult.h"
#include "core/rules/CleanupRule.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace Sweepora::Core {

// Runs cleanup rules over the home folder and moves their files to the Trash. Plain functions:
// the view model and the command line call them with their own way of reaching folders.
namespace RuleScanEngine {

// How a caller reaches the folders a rule names. The window goes through its folder access
// manager; the command line has opened the home folder already and needs none of this.
struct Access
{
    // Makes a folder reachable; true when it opened something that `end` must close.
    std::function<bool(const QString& folder)> begin;
    std::function<void(const QString& folder)> end;
    // The older per-path grant stored for a rule path.
    std::function<std::optional<QString>(const QString& rulePath)> legacyGrant;
};

// Every regular file below `folder` (hidden entries skipped, package contents listed, links
// never followed), sorted by path, with the sum of their logical sizes. The folder itself is
// never listed, so a path that names a file contributes nothing.
QStringList listRegularFiles(const QString& folder, qint64* totalSize = nullptr);

// One rule's result, or none when its paths find nothing of at least one byte. A file that two
// of the rule's paths both reach is counted once.
std::optional<CleanupResult> scanRule(const CleanupRule& rule, const QString& home, const Access& access = {});

// Every rule in order; `progress` is told each rule's index and name before it is scanned.
// The results come sorted: larger first, equal sizes by rule name. Walks count into `walk`;
// once it is cancelled no further rule is scanned, and the rule whose walk it cut short is left
// out, since a partial list could make a folder look wholly cleanable.
QList<CleanupResult> scanRules(const QList<CleanupRule>& rules, const QString& home, const Access& access = {},
                               const std::function<void(int index, const QString& ruleName)>& progress = {},
                               const std::shared_ptr<WalkProgress>& walk = {});

void sortResults(QList<CleanupResult>& results);

struct CleanOutcome
{
    QSet<QString> completedIDs;            // results whose every file moved
    QStringList moved;                     // every file that moved
    QList<QPair<QString, QString>> failed; // path and error of every file that did not
    QString message;    // "清理完成，文件已移到废纸篓" or "部分文件未能移到废纸篓，请重试"
    qint64 batchId = 0; // the cleanup journal's batch, for undo
};

// Moves every file of every result to the Trash, one by one; a failure is logged as
// "[TaskClean] 移到废纸篓失败：<path>，<error>" and the clean goes on.
CleanOutcome clean(const QList<CleanupResult>& selection, const Access& access = {});

} // namespace RuleScanEngine
} // namespace Sweepora::Core
