#include "core/platform/PlatformLayout.h"
#include "core/platform/PathBytes.h"

#include <QDir>

#include <pwd.h>
#include <unistd.h>

namespace Sweepora::Core {
namespace {

QString passwordHome()
{
    if (const struct passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr && pw->pw_dir[0] != 0)
        return pathFromBytes(pw->pw_dir);
    return QDir::homePath();
}

// The data home follows the login's environment, not SWEEPORA_HOME: trying the
// application on a copy of a home folder still uses the user's real Trash.
QString environmentDataHome()
{
#ifdef Q_OS_MACOS
    return standardizedPath(QDir::homePath() + QStringLiteral("/Library"));
#else
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return standardizedPath(xdg);
    return standardizedPath(QDir::homePath() + QStringLiteral("/.local/share"));
#endif
}

} // namespace

QString standardizedPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    QString p = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path;
    p = QDir::cleanPath(p);
    // cleanPath keeps a leading ".." above the root ("/.."), which names the root.
    while (p.startsWith(QLatin1String("/..")) && (p.size() == 3 || p.at(3) == QLatin1Char('/')))
        p = p.size() == 3 ? QStringLiteral("/") : p.mid(3);
    return p;
}

QStringList LinuxApplicationPlaces::readOnlyRoots() const
{
    // The user's own places lie in the home, which its grant covers; a read-only root there
    // would be opened once at start and hide a folder created later (a first Flatpak).
    QStringList roots = systemEntryFolders;
    roots << flatpakSystem << snapRoot;
    roots.removeAll(QString());
    roots.removeDuplicates();
    return roots;
}

LinuxApplicationPlaces LinuxApplicationPlaces::fromEnvironment(const QString& home)
{
    auto absolute = [](const char* name) {
        const QString value = qEnvironmentVariable(name);
        return !value.isEmpty() && QDir::isAbsolutePath(value) ? standardizedPath(value) : QString();
    };
    LinuxApplicationPlaces p;
    p.dataHome = absolute("XDG_DATA_HOME");
    if (p.dataHome.isEmpty())
        p.dataHome = home + QStringLiteral("/.local/share");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            p.systemEntryFolders.append(standardizedPath(dir + QStringLiteral("/applications")));
    p.systemEntryFolders.removeDuplicates();
    p.flatpakUser = absolute("FLATPAK_USER_DIR");
    if (p.flatpakUser.isEmpty())
        p.flatpakUser = p.dataHome + QStringLiteral("/flatpak");
    p.flatpakSystem = absolute("FLATPAK_SYSTEM_DIR");
    if (p.flatpakSystem.isEmpty())
        p.flatpakSystem = QStringLiteral("/var/lib/flatpak");
    p.snapRoot = absolute("SWEEPORA_SNAP_DIR");
    if (p.snapRoot.isEmpty())
        p.snapRoot = QStringLiteral("/snap");
    for (const char* folder : {"/Applications", "/AppImages", "/.local/bin", "/Downloads"})
        p.appImageFolders.append(home + QLatin1String(folder));
    return p;
}

PlatformLayout PlatformLayout::forHome(const QString& homePath)
{
    PlatformLayout l;
    l.home = standardizedPath(homePath);
    l.dataHome = environmentDataHome();
#ifdef Q_OS_MACOS
    l.probeFolder = l.home + QStringLiteral("/Library");
    l.applicationRoots = {QStringLiteral("/Applications"), l.home + QStringLiteral("/Applications")};
    l.trashFolder = l.home + QStringLiteral("/.Trash");
    l.applicationSupport = l.dataHome + QStringLiteral("/Application Support/Sweepora");
#else
    l.probeFolder = l.home;
    l.applicationProfile = ApplicationProfile::linuxDesktop;
    l.linuxApplications = LinuxApplicationPlaces::fromEnvironment(l.home);
    l.applicationRoots = l.linuxApplications.readOnlyRoots();
    l.trashFolder = l.dataHome + QStringLiteral("/Trash/files");
    l.applicationSupport = l.dataHome + QStringLiteral("/Sweepora");
#endif
    l.resourcePrefix = QStringLiteral(":/");
    return l;
}

PlatformLayout PlatformLayout::system()
{
    const QString overridden = qEnvironmentVariable("SWEEPORA_HOME");
    return forHome(overridden.isEmpty() ? passwordHome() : overridden);
}

} // namespace Sweepora::Core
