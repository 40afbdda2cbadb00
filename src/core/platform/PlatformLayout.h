#pragma once

#include <QString>
#include <QStringList>

namespace Sweepora::Core {

// Every absolute place the application depends on, in one value, so that tests and the
// command line can point all scanners at a temporary tree.
struct PlatformLayout
{
    QString home;        // the real home folder, standardized
    QString probeFolder; // readable when the home grant works ("Library" on macOS, the home on Linux)
    QStringList applicationRoots;
    QString dataHome;           // $XDG_DATA_HOME (Linux) or ~/Library (macOS); the home Trash lives below it
    QString trashFolder;        // where trashed files land (~/.Trash, or $XDG_DATA_HOME/Trash/files)
    QString applicationSupport; // our own data folder (user rules in "Rules")
    QString resourcePrefix;     // bundled resources (Qt resource root, ":/")

    QString userRulesDirectory() const { return applicationSupport + QStringLiteral("/Rules"); }
    // Where the application cache cleaner looks: the roots of installed applications, and on
    // macOS the system's own applications too, whose caches are the user's even though the
    // applications cannot be uninstalled.
    QStringList cacheApplicationRoots() const
    {
#ifdef Q_OS_MACOS
        return QStringList{QStringLiteral("/System/Applications")} + applicationRoots;
#else
        return applicationRoots;
#endif
    }

    // The layout of this machine: home from SWEEPORA_HOME, else getpwuid(getuid()), else $HOME.
    static PlatformLayout system();
    // A layout rooted at `home` with the other places as on this machine.
    static PlatformLayout forHome(const QString& home);

    // The process-wide layout (system() until replaced).
    static const PlatformLayout& current();
    static void setCurrent(const PlatformLayout& layout);
};

// Standardized absolute path: "." and ".." removed, no trailing slash, symbolic links kept.
QString standardizedPath(const QString& path);

} // namespace Sweepora::Core
