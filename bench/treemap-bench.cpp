// Builds the storage tree of a folder and draws its treemap:
//   QT_QPA_PLATFORM=offscreen sweepora-treemap-bench DIR [hidden]
// Prints the walk's time, the entries, the tree's bytes per entry and the process's peak memory,
// then how long laying out and painting the treemap takes at 1440×900 (goal: under 16 ms).
#include "core/platform/Context.h"
#include "core/platform/Sandbox.h"
#include "core/scanners/StorageTree.h"
#include "ui/components/Treemap.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

using namespace Sweepora;

namespace {

long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Core::Context context;
    const Core::Context::Scope installed(context);
    if (argc < 2) {
        std::fputs("usage: sweepora-treemap-bench DIR [hidden]\n", stderr);
        return 1;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    Core::Sandbox::openScope(root);
    QElapsedTimer timer;
    timer.start();
    auto tree = std::make_shared<const Core::StorageTree>(Core::StorageTree::build(root, argc > 2));
    const double walk = double(timer.nsecsElapsed()) / 1e9;
    std::printf("tree: %.3f s, %lld entries, %.1f bytes/entry, peak %ld KB\n", walk, (long long)tree->entryCount(),
                double(tree->bytesUsed()) / double(std::max<qsizetype>(tree->entryCount(), 1)), peakKilobytes());

    Ui::Treemap treemap;
    treemap.resize(1440, 900);
    treemap.setTree(tree, Core::StorageTree::root(), root);
    std::vector<double> times;
    size_t tiles = 0;
    for (int run = 0; run < 9; ++run) {
        timer.restart();
        const QImage image = treemap.render(QSize(1440, 900));
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        tiles = treemap.tiles().size();
    }
    std::sort(times.begin(), times.end());
    std::printf("treemap: %zu tiles, layout and paint median %.2f ms, worst %.2f ms\n", tiles, times[times.size() / 2],
                times.back());
    return 0;
}
