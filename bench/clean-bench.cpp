// Times cleaning and its journal on a scratch folder (everything is made and removed there):
//   sweepora-clean-bench DIR [small-files] [cache-files] [batches]
// 1. small files moved one by one through the gateway, with and without the journal;
// 2. a rule clean of a cache folder that moves its subfolders whole;
// 3. listing the cleanup history with many batches.
#include "BenchJournal.h"
#include "core/platform/Context.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/rules/RuleScanEngine.h"
#include "core/trash/CleanupHistory.h"
#include "core/trash/CleanupJournal.h"
#include "core/trash/TrashGateway.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

using namespace Sweepora::Core;

namespace {

void makeFiles(const QString& folder, int count, int perFolder)
{
    for (int i = 0; i < count; ++i) {
        const QString sub = perFolder > 0 ? QStringLiteral("/d%1").arg(i / perFolder) : QString();
        if (i % qMax(1, perFolder) == 0)
            QDir().mkpath(folder + sub);
        QFile f(folder + sub + QStringLiteral("/f%1.tmp").arg(i));
        f.open(QIODevice::WriteOnly);
        f.write("x", 1);
    }
}

QList<TrashItem> itemsIn(const QString& folder)
{
    QList<TrashItem> items;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        const QString path = folder + u'/' + name;
        items.append({path, ItemIdentity::lookUp(path)});
    }
    return items;
}

void useLayout(const QString& root, const QString& support)
{
    PlatformLayout layout = PlatformLayout::forHome(root + QStringLiteral("/home"));
    layout.dataHome = root + QStringLiteral("/data");
    layout.trashFolder = layout.dataHome + QStringLiteral("/Trash/files");
    layout.applicationSupport = support;
    PlatformLayout::setCurrent(layout);
}

double moveSmallFiles(const QString& root, int count, bool journal)
{
    const QString folder = root + QStringLiteral("/home/small");
    QDir(root + QStringLiteral("/data")).removeRecursively();
    makeFiles(folder, count, 0);
    // A journal that cannot open writes nothing: the same gateway without it.
    useLayout(root, journal ? root + QStringLiteral("/support") : QStringLiteral("/proc/none"));
    const QList<TrashItem> items = itemsIn(folder);
    QElapsedTimer timer;
    timer.start();
    const TrashBatchResult r = TrashGateway::moveToTrash(items, {{}, false, {}, QStringLiteral("bench")});
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (r.moved.size() != count)
        std::fprintf(stderr, "moved %lld of %d\n", static_cast<long long>(r.moved.size()), count);
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Context context;
    const Context::Scope installed(context);
    if (argc < 2) {
        std::fprintf(stderr, "usage: sweepora-clean-bench DIR [small-files] [cache-files] [batches]\n");
        return 1;
    }
    const QString root = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QStringLiteral("/clean-bench");
    const int small = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int cache = argc > 3 ? std::atoi(argv[3]) : 60000;
    const int batches = argc > 4 ? std::atoi(argv[4]) : 1000;
    QDir(root).removeRecursively();
    QDir().mkpath(root + QStringLiteral("/home"));
    Sandbox::openScope(root + QStringLiteral("/home"));

    // 1. The journal's cost on many small moves; alternating runs even out the machine's load.
    double with = 0, without = 0;
    for (int run = 0; run < 4; ++run) {
        if (run % 2 == 0) {
            without += moveSmallFiles(root, small, false);
            with += moveSmallFiles(root, small, true);
        } else {
            with += moveSmallFiles(root, small, true);
            without += moveSmallFiles(root, small, false);
        }
    }
    std::printf("%d small files: %.3f s without the journal, %.3f s with it (+%.1f %%)\n", small, without / 4, with / 4,
                (with / without - 1) * 100);

    // 2. A cache of many files in 300 folders, cleaned by a rule.
    QDir(root + QStringLiteral("/data")).removeRecursively();
    useLayout(root, root + QStringLiteral("/support"));
    makeFiles(root + QStringLiteral("/home/cache"), cache, qMax(1, cache / 300));
    const CleanupRule rule{true, QStringLiteral("cache"), {QStringLiteral("USERFOLDER/cache")},
                           0,    QStringLiteral("b"),     {}};
    QElapsedTimer timer;
    timer.start();
    const std::optional<CleanupResult> found = RuleScanEngine::scanRule(rule, root + QStringLiteral("/home"));
    const double scan = double(timer.nsecsElapsed()) / 1e9;
    timer.restart();
    const RuleScanEngine::CleanOutcome outcome = RuleScanEngine::clean({*found});
    const double clean = double(timer.nsecsElapsed()) / 1e9;
    const qsizetype entries =
        QDir(root + QStringLiteral("/data/Trash/files")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size();
    std::printf("%d-file cache: scan %.3f s, clean %.3f s, %lld files moved as %lld Trash entries\n", cache, scan,
                clean, static_cast<long long>(outcome.moved.size()), static_cast<long long>(entries));

    // 3. The history with many batches of ten items each.
    fillJournal(batches);
    timer.restart();
    const qsizetype listed = CleanupHistory::batches().size();
    std::printf("history of %lld batches: listed in %.1f ms\n", static_cast<long long>(listed),
                double(timer.nsecsElapsed()) / 1e6);
    timer.restart();
    CleanupHistory::refresh();
    std::printf("refreshed against the disk in %.1f ms (every item found gone)\n", double(timer.nsecsElapsed()) / 1e6);
    QDir(root).removeRecursively();
    return 0;
}
