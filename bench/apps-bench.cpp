// Times the discovery of Linux applications on a generated system:
//   sweepora-apps-bench DIR [entries] [flatpaks] [runs]
// Builds (once) DIR/system with `entries` desktop entries (default 500) and `flatpaks` Flatpak
// deployments (default 100, links as flatpak makes them), then discovers them `runs` times
// (default 11) off the main thread, as the view models do, and prints each run's wall time and
// the median of the warm runs. Goal: under 150 ms warm.
#include "core/apps/LinuxApplication.h"
#include "core/platform/Context.h"
#include "core/platform/Jobs.h"
#include "core/platform/Sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Sweepora::Core;

namespace {

void write(const QString& path, const QByteArray& data)
{
    QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(data);
}

void build(const QString& sys, int entries, int flatpaks)
{
    if (QFile::exists(sys + QStringLiteral("/.done")))
        return;
    for (int i = 0; i < entries; ++i)
        write(sys + QStringLiteral("/usr/share/applications/app%1.desktop").arg(i),
              QStringLiteral("[Desktop Entry]\nType=Application\nName=App %1\nName[zh_CN]=应用 %1\n"
                             "Comment=Something long enough to look like a real entry\nIcon=app%1\n"
                             "Exec=/usr/bin/app%1 %U\nCategories=Utility;\nMimeType=text/plain;\n")
                  .arg(i)
                  .toUtf8());
    for (int i = 0; i < flatpaks; ++i) {
        const QString id = QStringLiteral("org.bench.App%1").arg(i);
        const QString app = sys + QStringLiteral("/flatpak/app/") + id;
        const QString deploy = app + QStringLiteral("/x86_64/stable/0123abcd");
        write(deploy + QStringLiteral("/metadata"), QStringLiteral("[Application]\nname=%1\n").arg(id).toUtf8());
        write(deploy + QStringLiteral("/export/share/applications/") + id + QStringLiteral(".desktop"),
              QStringLiteral("[Desktop Entry]\nType=Application\nName=Bench %1\nExec=flatpak run %1\nX-Flatpak=%1\n")
                  .arg(id)
                  .toUtf8());
        QFile::link(QStringLiteral("x86_64/stable"), app + QStringLiteral("/current"));
        QFile::link(QStringLiteral("0123abcd"), app + QStringLiteral("/x86_64/stable/active"));
        QDir().mkpath(sys + QStringLiteral("/flatpak/exports/share/applications"));
        QFile::link(QStringLiteral("../../../app/") + id +
                        QStringLiteral("/current/active/export/share/applications/") + id + QStringLiteral(".desktop"),
                    sys + QStringLiteral("/flatpak/exports/share/applications/") + id + QStringLiteral(".desktop"));
    }
    QDir().mkpath(sys + QStringLiteral("/snap"));
    QDir().mkpath(sys + QStringLiteral("/home"));
    write(sys + QStringLiteral("/.done"), "");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Context context;
    const Context::Scope installed(context);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: sweepora-apps-bench DIR [entries] [flatpaks] [runs]\n");
        return 1;
    }
    const QString sys = QDir(args[1]).absolutePath() + QStringLiteral("/system");
    const int entries = args.size() > 2 ? args[2].toInt() : 500;
    const int flatpaks = args.size() > 3 ? args[3].toInt() : 100;
    const int runs = args.size() > 4 ? std::max(2, args[4].toInt()) : 11;
    build(sys, entries, flatpaks);

    LinuxApplicationPlaces places;
    places.dataHome = sys + QStringLiteral("/home/.local/share");
    places.systemEntryFolders = {sys + QStringLiteral("/usr/share/applications"),
                                 sys + QStringLiteral("/flatpak/exports/share/applications")};
    places.flatpakUser = places.dataHome + QStringLiteral("/flatpak");
    places.flatpakSystem = sys + QStringLiteral("/flatpak");
    places.snapRoot = sys + QStringLiteral("/snap");
    Sandbox::setReadOnlyRoots(places.readOnlyRoots());

    std::vector<double> times;
    qsizetype found = 0;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        found = runJob([places] { return LinuxApplications::discover(places); }).result().size();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        times.push_back(ms);
        std::printf("run %d: %.1f ms, %lld applications\n", r + 1, ms, static_cast<long long>(found));
    }
    std::vector<double> warm(times.begin() + 1, times.end());
    std::sort(warm.begin(), warm.end());
    std::printf("median warm: %.1f ms (%d entries, %d flatpaks, %lld found)\n", warm[warm.size() / 2], entries,
                flatpaks, static_cast<long long>(found));
    return found == entries + flatpaks ? 0 : 3;
}
