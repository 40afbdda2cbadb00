#pragma once

#include <QString>
#include <QStringList>

namespace Sweepora::Core {

// How installed applications are found: bundles below the application roots (macOS, and any
// layout given explicit roots), or the Linux sources of LinuxApplicationPlaces.
enum class ApplicationProfile { bundles, linuxDesktop };

// Where a Linux system keeps its applications.
struct LinuxApplicationPlaces
{
    QString dataHome;               // $XDG_DATA_HOME, else ~/.local/share
    QStringList systemEntryFolders; // every $XDG_DATA_DIRS/*/applications, in order
    QString flatpakUser;            // $FLATPAK_USER_DIR, else $XDG_DATA_HOME/flatpak
    QString flatpakSystem;          // $FLATPAK_SYSTEM_DIR, else /var/lib/flatpak
    QString snapRoot;               // $SWEEPORA_SNAP_DIR, else /snap
    QStringList appImageFolders;    // ~/Applications, ~/AppImages, ~/.local/bin, ~/Downloads

    QString userEntryFolder() const { return dataHome + QStringLiteral("/applications"); }
    // The system's places that discovery reads (the user's are in the home).
    QStringList readOnlyRoots() const;

    // The places of this environment for the home folder `home`.
    static LinuxApplicationPlaces fromEnvironment(const QString& home);
};

// Every absolute place the application depends on, in one value, so that tests and the
// command line can point all scanners at a temporary tree.
struct PlatformLayout
{
    QString home;        // the real home folder, standardized
    QString probeFolder; // readable when the home grant works ("Library" on macOS, the home on Linux)
    QStringList applicationRoots;
    ApplicationProfile applicationProfile = ApplicationProfile::bundles;
    LinuxApplicationPlaces linuxApplications; // read when the profile is Linux
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
    // Replaces the application roots: explicit roots name bundle folders on every system.
    void useBundleRoots(const QStringList& roots)
    {
        applicationRoots = roots;
        applicationProfile = ApplicationProfile::bundles;
    }

    // The layout of this machine: home from SWEEPORA_HOME, else getpwuid(getuid()), else $HOME.
    static PlatformLayout system();
    // A layout rooted at `home` with the other places as on this machine.
    static PlatformLayout forHome(const QString& home);

    // The installed context's layout (system() until replaced).
    static const PlatformLayout& current();
    static void setCurrent(const PlatformLayout& layout);
};

// Standardized absolute path: "." and ".." removed, no trailing slash, symbolic links kept.
QString standardizedPath(const QString& path);

} // namespace Sweepora::Core
