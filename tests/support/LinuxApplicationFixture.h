#pragma once

#include "support/HomeFixture.h"

namespace Sweepora::Test {

// A private home on the Linux profile, with a system tree beside it (outside the home, read
// only) reached the way a real system is: XDG_DATA_HOME, XDG_DATA_DIRS, FLATPAK_USER_DIR,
// FLATPAK_SYSTEM_DIR and SWEEPORA_SNAP_DIR point into the fixture. Builders lay out
// installations as their tools do, links included.
class LinuxApplicationFixture : public HomeFixture
{
protected:
    void SetUp() override;
    Core::PlatformLayout layoutFor(const QString& home) const override;

    static QString systemRoot(const QString& home);
    QString system() const { return systemRoot(home()); }
    QString systemEntries() const { return system() + QStringLiteral("/usr/share/applications"); }
    QString userEntries() const { return home() + QStringLiteral("/.local/share/applications"); }
    QString flatpakUser() const { return home() + QStringLiteral("/.local/share/flatpak"); }
    QString flatpakSystem() const { return system() + QStringLiteral("/flatpak"); }
    QString snapRoot() const { return system() + QStringLiteral("/snap"); }

    // A desktop entry: "[Desktop Entry]", Type=Application, then `lines`.
    static QString entry(const QString& path, const QString& lines);
    // A Flatpak deployed as flatpak does (app/<id>/current → arch/branch, active → commit),
    // with metadata, `bytes` of files and an exported entry named `name`; the installation's
    // exports hold a link to that entry. Returns the app/<id> folder.
    static QString flatpak(const QString& installation, const QString& id, const QString& name, qint64 bytes = 1000);
    // A snap at revision 7 (current → 7) with snap.yaml and a gui entry.
    QString snap(const QString& name, const QString& title, const QString& type = QStringLiteral("app")) const;
    // A file with (or without) the AppImage magic.
    static QString appImage(const QString& path, bool magic = true, qint64 bytes = 4096);
    // A program that exists, for entries that must not count as gone.
    QString program(const QString& name) const;
};

} // namespace Sweepora::Test
