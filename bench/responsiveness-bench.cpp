// How smooth the window stays while it works: a 10 ms timer on the GUI thread, and the longest
// gap between its ticks, while the real pages do the heavy things over a bench tree:
//   QT_QPA_PLATFORM=offscreen sweepora-responsiveness-bench TREE SCRATCH [query]
// TREE is read only; SCRATCH gets a data home, a journal and a small home of its own for the
// clean. Goal: no gap over 50 ms, the 99th percentile under 20 ms.
#include "BenchJournal.h"
#include "core/access/AccessManager.h"
#include "core/apps/ApplicationCleanupViewModel.h"
#include "core/platform/Context.h"
#include "core/platform/FolderPicker.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/platform/Settings.h"
#include "core/quick/QuickCleanupViewModel.h"
#include "core/rules/CleanupViewModel.h"
#include "core/scanners/EmptyFolderCleanupViewModel.h"
#include "core/scanners/FileSearchViewModel.h"
#include "core/scanners/MiscFileCleanupViewModel.h"
#include "core/scanners/StorageAnalysisModel.h"
#include "core/trash/CleanupHistoryViewModel.h"
#include "ui/pages/quick/QuickCleanupPage.h"
#include "ui/pages/search/FileSearchPage.h"
#include "ui/pages/storage/StorageAnalysisPage.h"
#include "ui/pages/trash/CleanupHistoryPage.h"
#include "ui/style/Theme.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Sweepora;

namespace {

class AnswerWith final : public Core::FolderPicker
{
public:
    explicit AnswerWith(QString path) : m_path(std::move(path)) {}
    void pickFolder(const Core::FolderPickerRequest&, Completion completion) override { completion(chosen(m_path)); }

private:
    QString m_path;
};

// The bytes the heap has handed out and not taken back, over all arenas: unlike the resident
// size, it does not count what the walking threads freed and their arenas kept.
double heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks) + double(info.hblkhd);
}

// Ticks every 10 ms and keeps the gaps between ticks.
class GapMeter
{
public:
    GapMeter()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_gaps.push_back(double(now - m_last) / 1e6);
            m_last = now;
        });
    }
    void start()
    {
        m_gaps.clear();
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    void report(const char* what)
    {
        m_timer.stop();
        std::vector<double> gaps = m_gaps;
        std::sort(gaps.begin(), gaps.end());
        const double worst = gaps.empty() ? 0 : gaps.back();
        const double p99 = gaps.empty() ? 0 : gaps[std::min(gaps.size() - 1, gaps.size() * 99 / 100)];
        std::printf("%-44s %7.2f s  longest gap %6.1f ms  p99 %5.1f ms  %s\n", what,
                    double(m_clock.nsecsElapsed()) / 1e9, worst, p99, worst <= 50 && p99 <= 20 ? "ok" : "STALLS");
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    std::vector<double> m_gaps;
};

void spinUntil(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QCoreApplication::processEvents();
}

void useHome(const QString& home, const QString& scratch)
{
    Core::PlatformLayout layout = Core::PlatformLayout::forHome(home);
    layout.dataHome = scratch + QStringLiteral("/data");
    layout.trashFolder = layout.dataHome + QStringLiteral("/Trash/files");
    layout.applicationSupport = scratch + QStringLiteral("/support");
    Core::PlatformLayout::setCurrent(layout);
    Core::Settings::store().clear();
    Core::AccessManager::resetForTesting();
    Core::Sandbox::reset();
    Core::FolderPicker::setCurrent(std::make_shared<AnswerWith>(home));
    bool granted = false;
    Core::AccessManager::requestHomeAuthorization([&](bool ok) { granted = ok; });
    if (!granted)
        std::fprintf(stderr, "the home folder %s could not be opened\n", qPrintable(home));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Core::Context context;
    const Core::Context::Scope installed(context);
    if (argc < 3) {
        std::fputs("usage: sweepora-responsiveness-bench TREE SCRATCH [query]\n", stderr);
        return 1;
    }
    const QString tree = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString scratch = QDir(QString::fromLocal8Bit(argv[2])).absolutePath() + QStringLiteral("/responsiveness");
    const QString query = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral(".");
    QDir(scratch).removeRecursively();
    QDir().mkpath(scratch);
    Ui::Theme::apply(app);
    useHome(tree, scratch);
    GapMeter meter;

    {
        Core::CleanupViewModel rules;
        Core::ApplicationCleanupViewModel apps;
        Core::MiscFileCleanupViewModel misc(Core::MiscFileCategory::miscellaneous);
        Core::MiscFileCleanupViewModel archives(Core::MiscFileCategory::archives);
        Core::MiscFileCleanupViewModel installers(Core::MiscFileCategory::installers);
        Core::EmptyFolderCleanupViewModel empty;
        Ui::QuickCleanupPage page({&rules, &apps, &misc, &archives, &installers, &empty}, [](const QString&) {});
        page.resize(1100, 720);
        page.show();
        meter.start();
        page.model().startQuickScan();
        spinUntil([&] { return page.model().completedScanCount() == page.model().scanCount(); });
        meter.report("quick scan");
    }
    {
        Ui::StorageAnalysisPage page;
        page.resize(1100, 720);
        page.show();
        Core::StorageAnalysisModel& model = page.model();
        meter.start();
        model.refresh();
        spinUntil([&] { return !model.isScanning() && !model.entries().isEmpty(); });
        for (int level = 0; level < 3; ++level) {
            const auto folder = std::find_if(model.entries().begin(), model.entries().end(),
                                             [](const Core::StorageEntry& e) { return e.isDirectory; });
            if (folder == model.entries().end())
                break;
            model.enterDirectory(*folder);
            spinUntil([&] { return !model.isScanning(); });
        }
        meter.report("storage: the root, then three levels down");
    }
    {
        Core::FileSearchViewModel model;
        Ui::FileSearchPage page(model);
        page.resize(1100, 720);
        page.show();
        const double before = heapInUse();
        meter.start();
        model.search(query);
        spinUntil([&] { return model.state() == Core::ScanState::scanned; });
        meter.report(qPrintable(QStringLiteral("search \"%1\": %2 hits").arg(query).arg(model.results().size())));
        // The hits as the view model and the page's rows hold them (the goal: 100,000 under 30 MB).
        const double held = heapInUse() - before;
        std::printf("%-44s %.1f MB, %.0f bytes a hit\n", "the hits held", held / 1e6,
                    held / double(std::max<qsizetype>(model.results().size(), 1)));
        meter.start();
        model.toggleAllSelection();
        QCoreApplication::processEvents();
        meter.report("ticking all of them");
    }
    {
        // The clean runs in a small home of its own: the bench tree stays as it is.
        const QString home = scratch + QStringLiteral("/home");
        QDir().mkpath(home + QStringLiteral("/clean"));
        for (int i = 0; i < 10000; ++i) {
            QFile file(home + QStringLiteral("/clean/bench-clean-%1.tmp").arg(i));
            if (file.open(QIODevice::WriteOnly))
                file.write("x");
        }
        useHome(home, scratch);
        Core::FileSearchViewModel model;
        Ui::FileSearchPage page(model);
        page.resize(1100, 720);
        page.show();
        model.search(QStringLiteral("bench-clean"));
        spinUntil([&] { return model.state() == Core::ScanState::scanned; });
        model.toggleAllSelection();
        meter.start();
        model.clean();
        spinUntil([&] { return model.state() != Core::ScanState::cleaning; });
        meter.report(qPrintable(QStringLiteral("cleaning %1 files").arg(10000)));
    }
    {
        fillJournal(1000);
        meter.start();
        Ui::CleanupHistoryPage page;
        page.resize(1100, 720);
        page.show();
        spinUntil([&] { return !page.model().isBusy(); });
        meter.report("清理记录 with 1,000 batches");
    }
    QDir(scratch).removeRecursively();
    return 0;
}
