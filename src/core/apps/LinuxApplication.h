#pragma once

#include "core/platform/PlatformLayout.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace Sweepora::Core {

// Where an application comes from; its name is the `kind` of the command line.
enum class ApplicationKind { bundle, desktop, user, flatpak, snap, appImage };
QString kindName(ApplicationKind kind);

// An application installed on Linux, found once by its ID.
struct LinuxApplication
{
    // The Flatpak app ID, the snap name, or the desktop-file ID without ".desktop" (an
    // AppImage without an entry: its file name without the extension).
    QString id;
    QString name;
    ApplicationKind kind = ApplicationKind::desktop;
    // The application itself: its desktop entry (desktop, user), its app/<id> folder
    // (flatpak), its /snap/<name> folder (snap), or the image file (appimage).
    QString path;
    QString desktopEntry; // its entry when it has one
    QString icon;         // the entry's Icon: a theme name or an absolute file
    QString program;      // the entry's Exec program, as written
    QString startupWMClass;
    bool systemWide = false; // a Flatpak of the system installation

    // The names its files may carry below ~/.cache, ~/.config and ~/.local/share: the ID, its
    // last reverse-DNS component, the Exec program's file name and StartupWMClass, each once
    // (compared without case), never a name that could leave the folder it is joined to.
    QStringList folderNames() const;

    friend bool operator==(const LinuxApplication&, const LinuxApplication&) = default;
};

namespace LinuxApplications {

// Every application of the places, each once by ID, sorted by ID: Flatpaks (user before
// system), snaps, desktop entries (the user's own before $XDG_DATA_DIRS; an entry exported by
// a Flatpak or a snap is that application, not another one), then AppImages. Entries that say
// NoDisplay or Hidden are left out. Reads only what the sandbox lets it read, follows no link
// while listing, and resolves no icon.
QList<LinuxApplication> discover(const LinuxApplicationPlaces& places);

// The names of the folders directly inside `folder` (links are not folders), sorted; listed
// as the walker lists, inside what the sandbox lets us read.
QStringList childFolders(const QString& folder);

// The names of the folders and regular files directly inside `folder`, sorted.
QStringList childItems(const QString& folder);

// ELF with "AI" and the image type (1 or 2) at offset 8.
bool hasAppImageMagic(const QByteArray& firstBytes);
bool isAppImage(const QString& path);

// The top-level "name", "title" and "type" of a snap.yaml; missing keys are empty.
struct SnapInfo
{
    QString name;
    QString title;
    QString type;
};
SnapInfo parseSnapYaml(const QByteArray& data);

// A Flatpak app ID or snap name that may name a folder: not empty, no "/", not "." or "..",
// only letters, digits, ".", "-" and "_".
bool isValidApplicationID(const QString& id);

// Whether the program an entry's Exec names exists: an absolute path that is there, or a
// bare name found on PATH.
bool programExists(const QString& program);

} // namespace LinuxApplications
} // namespace Sweepora::Core
