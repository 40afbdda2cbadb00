#pragma once

#include "core/apps/ApplicationCacheEngine.h"
#include "core/fs/WalkProgress.h"
#include "core/platform/PlatformLayout.h"
#include "core/rules/RuleScanEngine.h"
#include "core/scanners/EmptyFolderEngine.h"
#include "core/scanners/MiscFileEngine.h"
#include "core/sections/SectionTable.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QList>
#include <QMap>
#include <QPromise>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace Sweepora::Core {

// The quick cleanup's six scans run at once: the rules and the application caches each on a
// job of their own, the four scans of the whole home folder on one shared walk. The window and
// the command line both run it; a scan that is not asked for (its model is busy) is skipped.
namespace QuickScan {

template <class Result> using HandBack = std::function<void(const Result&)>;
using Steps = std::function<void(int index, int total, const QString& name)>;

// Each scan runs when asked for. Its steps, walk (counters and cancel) and hand-back may be
// left empty; a hand-back is called from the scan's own thread as soon as that scan is done,
// so a fast scan's result need not wait for the slowest.
struct Options
{
    QString home = {};
    std::optional<QDateTime> cutoff = {}; // archives and installers: created before it

    std::optional<QList<CleanupRule>> rules = {};
    RuleScanEngine::Access ruleAccess = {};
    Steps ruleSteps = {};
    std::shared_ptr<WalkProgress> ruleWalk = {};
    HandBack<QList<CleanupResult>> rulesDone = {};

    std::optional<PlatformLayout> applicationLayout = {};
    ApplicationCacheEngine::Access applicationAccess = {};
    Steps applicationSteps = {};
    std::shared_ptr<WalkProgress> applicationWalk = {};
    HandBack<QList<ApplicationCleanupResult>> applicationsDone = {};

    // The scans of the whole home folder share one walk, so one cancel stops them all.
    std::shared_ptr<WalkProgress> homeWalk = std::make_shared<WalkProgress>();
    QList<std::pair<MiscFileCategory, HandBack<MiscFileEngine::Report>>> fileScans = {};
    std::optional<HandBack<EmptyFolderEngine::Report>> emptyFolders = {};
};

// What a section's card or command-line row shows: how many results and their size (none for
// the empty folders).
struct Figures
{
    qsizetype count = 0;
    std::optional<qint64> size;
};

struct Report
{
    QList<CleanupResult> rules;
    QList<ApplicationCleanupResult> applications;
    QMap<MiscFileCategory, MiscFileEngine::Report> files;
    EmptyFolderEngine::Report emptyFolders;

    Figures figures(SectionKey section) const;
};

// Returns once every scan asked for is done.
Report run(const Options& options);

// A hand-back that delivers to `watcher`, as a scan of the view model's own would.
template <class Result> HandBack<Result> handBackTo(QFutureWatcher<Result>& watcher)
{
    auto promise = std::make_shared<QPromise<Result>>();
    promise->start();
    watcher.setFuture(promise->future());
    return [promise](const Result& result) {
        promise->addResult(result);
        promise->finish();
    };
}

} // namespace QuickScan
} // namespace Sweepora::Core
