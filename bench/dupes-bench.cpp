// Times the duplicate engine alone on a tree, without the command line around it, and reports
// its peak memory at each stage's end:
//   sweepora-dupes-bench TREE [minimum-bytes] [runs]
#include "core/platform/Context.h"
#include "core/platform/Sandbox.h"
#include "core/scanners/DuplicateFileEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

using namespace Sweepora::Core;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Context context;
    const Context::Scope installed(context);
    if (argc < 2) {
        std::fprintf(stderr, "usage: sweepora-dupes-bench TREE [minimum-bytes] [runs]\n");
        return 1;
    }
    const QString tree = QString::fromLocal8Bit(argv[1]);
    const qint64 minimum = argc > 2 ? std::atoll(argv[2]) : DuplicateFileEngine::kDefaultMinimumSize;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 1;
    Sandbox::openScope(tree);
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        DuplicateFileEngine::Progress progress;
        const DuplicateFileEngine::Report report =
            DuplicateFileEngine::findDuplicates({{tree}, minimum, {}}, &progress);
        qsizetype copies = 0;
        for (const DuplicateGroup& g : report.groups)
            copies += g.copies.size();
        struct rusage usage;
        ::getrusage(RUSAGE_SELF, &usage);
        std::printf("%.3f s  %lld candidates  %lld of %lld bytes hashed  %lld groups  %lld copies  peak %ld MB\n",
                    timer.nsecsElapsed() / 1e9, static_cast<long long>(progress.filesTotal.load()),
                    static_cast<long long>(progress.bytesDone.load()),
                    static_cast<long long>(progress.bytesTotal.load()), static_cast<long long>(report.groups.size()),
                    static_cast<long long>(copies), usage.ru_maxrss / 1024);
    }
    return 0;
}
