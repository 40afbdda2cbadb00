// Times the walker alone on a tree, without the command line around it:
//   sweepora-walk-bench TREE [threads] [names|stat|storage|home4|home4-apart] [runs]
// Prints wall and CPU seconds per run and how many entries and stats it saw. home4 runs the
// four home-folder scans of the quick cleanup on one shared walk; home4-apart runs the same
// four scans at once, each with its own walk.
#include "core/fs/Walker.h"
#include "core/platform/Context.h"
#include "core/platform/Jobs.h"
#include "core/platform/Sandbox.h"
#include "core/scanners/SharedHomeWalk.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>

using namespace Sweepora::Core;

namespace {

class Counter final : public WalkVisitor
{
public:
    explicit Counter(int mode) : m_mode(mode) {}
    WalkAction visit(const WalkEntry& e) override
    {
        ++entries;
        if ((m_mode == 1 && e.isRegularFile()) || (m_mode == 2 && !e.isSymlink())) {
            bytes += e.allocatedOrLogicalSize();
            ++stats;
        }
        return WalkAction::proceed;
    }
    void folderListed(const WalkFolder&) override { ++folders; }

    long entries = 0, stats = 0, folders = 0;
    long long bytes = 0;

private:
    int m_mode;
};

double cpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The four scans' item counts, so a fast wrong answer shows.
QString homeScans(const QString& root, bool shared)
{
    const std::optional<QDateTime> cutoff = MiscFileEngine::cutoffFor(QDateTime::currentDateTime().addMonths(2));
    QList<QFuture<MiscFileEngine::Report>> files;
    QFuture<EmptyFolderEngine::Report> empty;
    const MiscFileCategory categories[] = {MiscFileCategory::miscellaneous, MiscFileCategory::archives,
                                           MiscFileCategory::installers};
    if (shared) {
        SharedHomeWalk walk(root);
        for (MiscFileCategory c : categories)
            files.append(walk.addFileScan(c, cutoff));
        empty = walk.addEmptyFolderScan();
        walk.run();
    } else {
        for (MiscFileCategory c : categories)
            files.append(runJob([root, c, cutoff] { return MiscFileEngine::findFiles(root, c, cutoff); }));
        empty = runJob([root] { return EmptyFolderEngine::findEmptyFolders(root); });
    }
    QString counts;
    for (QFuture<MiscFileEngine::Report>& f : files)
        counts += QString::number(f.result().items.size()) + QLatin1Char(' ');
    return counts + QString::number(empty.result().items.size());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Context context;
    const Context::Scope installed(context);
    if (argc < 2) {
        std::fputs("usage: sweepora-walk-bench TREE [threads] [names|stat|storage] [runs]\n", stderr);
        return 1;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    WalkOptions options;
    options.threads = argc > 2 ? std::atoi(argv[2]) : 2;
    const QByteArray kind = argc > 3 ? QByteArray(argv[3]) : QByteArray("stat");
    const int mode = kind == "names" ? 0 : kind == "storage" ? 2 : 1;
    options.skipHidden = options.skipPackageDescendants = mode != 2;
    const int runs = argc > 4 ? std::atoi(argv[4]) : 5;
    Sandbox::openScope(root);
    if (kind.startsWith("home4")) {
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer timer;
            timer.start();
            const double cpu0 = cpuSeconds();
            const QString counts = homeScans(root, kind == "home4");
            std::printf("%.3f s wall  %.3f s cpu  found %s\n", double(timer.nsecsElapsed()) / 1e9, cpuSeconds() - cpu0,
                        qPrintable(counts));
        }
        return 0;
    }
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        const double cpu0 = cpuSeconds();
        Counter total(mode);
        QString share; // entries per thread: how evenly the shared stack spread the work
        for (const Counter& c : Walker::walkEach(root, options, Counter(mode))) {
            share += QStringLiteral(" %1").arg(c.entries);
            total.entries += c.entries;
            total.stats += c.stats;
            total.folders += c.folders;
            total.bytes += c.bytes;
        }
        std::printf("%.3f s wall  %.3f s cpu  %ld entries (%s)  %ld folders  %ld stats  %lld bytes\n",
                    double(timer.nsecsElapsed()) / 1e9, cpuSeconds() - cpu0, total.entries, qPrintable(share.trimmed()),
                    total.folders, total.stats, total.bytes);
    }
    return 0;
}
