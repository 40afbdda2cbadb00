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

// `result`, handed back first where someone waits for it.
template <class Result> Result handedBack(Result result, const HandBack<Result>& done)
{
    if (done)
        done(result);
    return result;
}

// A scan's step reports against its `total`; quiet when nobody listens.
auto stepsOf(const Steps& steps, int total)
{
    return [&steps, total](int index, const QString& name) {
        if (steps)
            steps(index, total, name);
    };
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
            return handedBack(RuleScanEngine::scanRules(*options.rules, options.home, options.ruleAccess,
                                                        stepsOf(options.ruleSteps, total), options.ruleWalk),
                              options.rulesDone);
        });
    QFuture<QList<ApplicationCleanupResult>> applications;
    if (options.applicationLayout)
        applications = runJob([&options] {
            // Discovery reads every application's metadata and checks its folders: a job's work too.
            const QList<ApplicationCacheTarget> targets =
                ApplicationCacheEngine::discoverTargetsFor(*options.applicationLayout, options.home);
            const int total = static_cast<int>(targets.size());
            return handedBack(ApplicationCacheEngine::scanTargets(targets, options.applicationAccess,
                                                                  stepsOf(options.applicationSteps, total),
                                                                  options.applicationWalk),
                              options.applicationsDone);
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
        report.files.insert(options.fileScans[i].first, handedBack(files[i].result(), options.fileScans[i].second));
    if (options.emptyFolders)
        report.emptyFolders = handedBack(emptyFolders.result(), *options.emptyFolders);
    if (options.rules)
        report.rules = rules.result();
    if (options.applicationLayout)
        report.applications = applications.result();
    return report;
}

} // namespace Sweepora::Core::QuickScan
