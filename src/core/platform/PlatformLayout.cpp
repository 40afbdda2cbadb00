#include "platform/PlatformLayout.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>

#include <list>

#include <pwd.h>
#include <unistd.h>

namespace Sweepora::Core {
namespace {

QString passwordHome()
{
    if (const struct passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr && pw->pw_dir[0] != 0)
        return QFile::decodeName(pw->pw_dir);
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

QMutex g_mutex;
// Every layout ever set stays alive, so references handed out earlier stay valid.
std::list<PlatformLayout> g_layouts;
PlatformLayout* g_current = nullptr;

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
    l.applicationRoots = {QStringLiteral("/usr/share/applications"),
                          l.home + QStringLiteral("/.local/share/applications")};
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

const PlatformLayout& PlatformLayout::current()
{
    QMutexLocker lock(&g_mutex);
    if (g_current == nullptr)
        g_current = &g_layouts.emplace_back(system());
    return *g_current;
}

void PlatformLayout::setCurrent(const PlatformLayout& layout)
{
    QMutexLocker lock(&g_mutex);
    g_current = &g_layouts.emplace_back(layout);
}

} // namespace Sweepora::Core
