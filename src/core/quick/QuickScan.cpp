#include "core/quick/QuickScan.h"

#include "core/platform/Jobs.h"
#include "core/scanners/SharedHomeWalk.h"

namespace Sweepora::Core::QuickScan {
namespace {

template <class Results> Figures figuresOf(const Results& results)
{
    qint64 sum = 0;
    for (const auto& r : results)
        sum += r.size;
    return {results.size(), sum};
}

// The result of `future`, handed back first where someone waits for it.
template <class Result> Result handedBack(const QFuture<Result>& future, const HandBack<Result>& done)
{
    Result result = future.result();
    if (done)
        done(result);
    return result;
}

} // namespace

Figures Report::figures(SectionKey section) const
{
    switch (section) {
    case SectionKey::ruleCleanup:
        return figuresOf(rules);
    case SectionKey::applicationCleanup:
        return figuresOf(applications);
    case SectionKey::miscFiles:
        return figuresOf(files.value(MiscFileCategory::miscellaneous).items);
    case SectionKey::archives:
        return figuresOf(files.value(MiscFileCategory::archives).items);
    case SectionKey::installers:
        return figuresOf(files.value(MiscFileCategory::installers).items);
    case SectionKey::emptyFolders:
        return {emptyFolders.items.size(), std::nullopt};
    default: // not a scan of the quick cleanup
        return {};
    }
}

Report run(const Options& options)
{
    // The jobs read `options` by reference: this function waits for both before it returns.
    QFuture<QList<CleanupResult>> rules;
    if (options.rules)
        rules = runJob([&options] {
            const int total = static_cast<int>(options.rules->size());
            QList<CleanupResult> found = RuleScanEngine::scanRules(
                *options.rules, options.home, options.ruleAccess,
                [&options, total](int index, const QString& name) {
                    if (options.ruleSteps)
                        options.ruleSteps(index, total, name);
                },
                options.ruleWalk);
            if (options.rulesDone)
                options.rulesDone(found);
            return found;
        });
    QFuture<QList<ApplicationCleanupResult>> applications;
    if (options.applicationLayout)
        applications = runJob([&options] {
            // Discovery reads every application's metadata and checks its folders: a job's work too.
            const QList<ApplicationCacheTarget> targets =
                ApplicationCacheEngine::discoverTargetsFor(*options.applicationLayout, options.home);
            const int total = static_cast<int>(targets.size());
            QList<ApplicationCleanupResult> found = ApplicationCacheEngine::scanTargets(
                targets, options.applicationAccess,
                [&options, total](int index, const QString& name) {
                    if (options.applicationSteps)
                        options.applicationSteps(index, total, name);
                },
                options.applicationWalk);
            if (options.applicationsDone)
                options.applicationsDone(found);
            return found;
        });

    SharedHomeWalk walk(options.home, options.homeWalk);
    QList<QFuture<MiscFileEngine::Report>> files;
    for (const auto& [category, done] : options.fileScans)
        files.append(walk.addFileScan(category, options.cutoff));
    QFuture<EmptyFolderEngine::Report> emptyFolders;
    if (options.emptyFolders)
        emptyFolders = walk.addEmptyFolderScan();
    walk.run();

    Report report;
    for (qsizetype i = 0; i < files.size(); ++i)
        report.files.insert(options.fileScans[i].first, handedBack(files[i], options.fileScans[i].second));
    if (options.emptyFolders)
        report.emptyFolders = handedBack(emptyFolders, *options.emptyFolders);
    if (options.rules)
        report.rules = rules.result();
    if (options.applicationLayout)
        report.applications = applications.result();
    return report;
}

} // namespace Sweepora::Core::QuickScan
