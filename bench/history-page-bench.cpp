// Times opening 清理记录 with many batches in the journal:
//   QT_QPA_PLATFORM=offscreen sweepora-history-page-bench DIR [batches]
// First the journal's own view on screen, then the list checked against the disk.
#include "BenchJournal.h"
#include "core/platform/Context.h"
#include "core/platform/PlatformLayout.h"
#include "core/trash/CleanupHistoryViewModel.h"
#include "ui/pages/trash/CleanupHistoryPage.h"
#include "ui/style/Theme.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTreeView>

#include <cstdio>

using namespace Sweepora;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Core::Context context;
    const Core::Context::Scope installed(context);
    if (argc < 2) {
        std::fprintf(stderr, "usage: sweepora-history-page-bench DIR [batches]\n");
        return 1;
    }
    const QString root = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QStringLiteral("/history-bench");
    const int batches = argc > 2 ? std::atoi(argv[2]) : 1000;
    QDir(root).removeRecursively();
    Core::PlatformLayout layout = Core::PlatformLayout::forHome(root + QStringLiteral("/home"));
    layout.dataHome = root + QStringLiteral("/data");
    layout.trashFolder = layout.dataHome + QStringLiteral("/Trash/files");
    layout.applicationSupport = root + QStringLiteral("/support");
    Core::PlatformLayout::setCurrent(layout);
    fillJournal(batches);
    Ui::Theme::apply(app);

    QElapsedTimer timer;
    timer.start();
    Ui::CleanupHistoryPage page;
    page.resize(900, 640);
    const double built = double(timer.nsecsElapsed()) / 1e6;
    page.show();
    while (page.batchList()->model()->rowCount() < batches)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    QCoreApplication::processEvents(); // the first paint with the list
    const double shown = double(timer.nsecsElapsed()) / 1e6;
    while (page.model().isBusy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    const double checked = double(timer.nsecsElapsed()) / 1e6;
    std::printf("page built in %.1f ms\n", built);
    std::printf("清理记录 with %d batches: shown in %.1f ms, checked against the disk after %.1f ms "
                "(every item found gone: the worst case, once)\n",
                batches, shown, checked);
    QDir(root).removeRecursively();
    return 0;
}
