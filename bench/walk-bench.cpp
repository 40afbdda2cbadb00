// Times the walker alone on a tree, without the command line around it:
//   sweepora-walk-bench TREE [threads] [names|stat|storage] [runs]
// Prints wall and CPU seconds per run and how many entries and stats it saw.
#include "fs/Walker.h"
#include "platform/Sandbox.h"

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
        return WalkAction::Continue;
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
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
