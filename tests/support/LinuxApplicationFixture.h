#pragma once

#include "core/platform/Sandbox.h"
#include "support/HomeFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Sweepora::Test {

// A private home on the Linux profile, with a system tree beside it (outside the home, read
// only) reached the way a real system is: XDG_DATA_HOME, XDG_DATA_DIRS, FLATPAK_USER_DIR,
// FLATPAK_SYSTEM_DIR and SWEEPORA_SNAP_DIR point into the fixture. Builders lay out
// installations as their tools do, links included.
class LinuxApplicationFixture : public HomeFixture
{
protected:
    void SetUp() override
    {
        HomeFixture::SetUp();
        for (const QString& folder :
             {systemEntries(), flatpakSystem() + QStringLiteral("/app"), snapRoot(), userEntries()})
            ASSERT_TRUE(QDir().mkpath(folder));
        Core::Sandbox::setReadOnlyRoots(Core::PlatformLayout::current().cacheApplicationRoots());
    }
    Core::PlatformLayout layoutFor(const QString& home) const override
    {
        const QString sys = systemRoot(home);
        qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/.local/share")));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(sys + QStringLiteral("/usr/share:") + sys +
                                                   QStringLiteral("/flatpak/exports/share")));
        qputenv("FLATPAK_USER_DIR", QFile::encodeName(home + QStringLiteral("/.local/share/flatpak")));
        qputenv("FLATPAK_SYSTEM_DIR", QFile::encodeName(sys + QStringLiteral("/flatpak")));
        qputenv("SWEEPORA_SNAP_DIR", QFile::encodeName(sys + QStringLiteral("/snap")));
        Core::PlatformLayout layout = Core::PlatformLayout::forHome(home);
        layout.applicationProfile = Core::ApplicationProfile::linuxDesktop;
        return layout;
    }

    static QString systemRoot(const QString& home)
    {
        return Core::standardizedPath(home + QStringLiteral("/../../system"));
    }
    QString system() const { return systemRoot(home()); }
    QString systemEntries() const { return system() + QStringLiteral("/usr/share/applications"); }
    QString userEntries() const { return home() + QStringLiteral("/.local/share/applications"); }
    QString flatpakUser() const { return home() + QStringLiteral("/.local/share/flatpak"); }
    QString flatpakSystem() const { return system() + QStringLiteral("/flatpak"); }
    QString snapRoot() const { return system() + QStringLiteral("/snap"); }

    // A desktop entry: "[Desktop Entry]", Type=Application, then `lines`.
    static QString entry(const QString& path, const QString& lines)
    {
        return TreeBuilder::write(path,
                                  (QStringLiteral("[Desktop Entry]\nType=Application\n") + lines + u'\n').toUtf8());
    }
    // A Flatpak deployed as flatpak does (app/<id>/current → arch/branch, active → commit),
    // with metadata, `bytes` of files and an exported entry named `name`; the installation's
    // exports hold a link to that entry. Returns the app/<id> folder.
    static QString flatpak(const QString& installation, const QString& id, const QString& name, qint64 bytes = 1000)
    {
        const QString app = installation + QStringLiteral("/app/") + id;
        const QString deploy = app + QStringLiteral("/x86_64/stable/0123abcd");
        TreeBuilder::write(
            deploy + QStringLiteral("/metadata"),
            QStringLiteral("[Application]\nname=%1\nruntime=org.fake.Platform/x86_64/1\n").arg(id).toUtf8());
        TreeBuilder::write(deploy + QStringLiteral("/files/bin/app"), QByteArray(bytes, 'x'));
        const QString exported = QStringLiteral("/export/share/applications/") + id + QStringLiteral(".desktop");
        entry(deploy + exported,
              QStringLiteral("Name=%1\nIcon=%2\nExec=/usr/bin/flatpak run %2\nX-Flatpak=%2").arg(name, id));
        link(QStringLiteral("x86_64/stable"), app + QStringLiteral("/current"));
        link(QStringLiteral("0123abcd"), app + QStringLiteral("/x86_64/stable/active"));
        link(QStringLiteral("../../../app/") + id + QStringLiteral("/current/active") + exported,
             installation + QStringLiteral("/exports/share/applications/") + id + QStringLiteral(".desktop"));
        return app;
    }
    // A snap at revision 7 (current → 7) with snap.yaml and a gui entry.
    QString snap(const QString& name, const QString& title, const QString& type = QStringLiteral("app")) const
    {
        const QString root = snapRoot() + u'/' + name;
        const QString yaml = QStringLiteral("name: %1\nversion: '1.0'\ntitle: \"%2\"\ntype: %3\napps:\n  %1:\n"
                                            "    command: bin/run\n    name: nested\n");
        TreeBuilder::write(root + QStringLiteral("/7/meta/snap.yaml"), yaml.arg(name, title, type).toUtf8());
        TreeBuilder::write(root + QStringLiteral("/7/bin/run"), QByteArray(500, 'x'));
        entry(root + QStringLiteral("/7/meta/gui/") + name + QStringLiteral(".desktop"),
              QStringLiteral("Name=GUI %1\nIcon=${SNAP}/icon.png\nExec=%1").arg(name));
        link(QStringLiteral("7"), root + QStringLiteral("/current"));
        return root;
    }
    // A file with (or without) the AppImage magic.
    static QString appImage(const QString& path, bool magic = true, qint64 bytes = 4096)
    {
        QByteArray data(bytes, '\0');
        data.replace(0, 4, "\177ELF");
        if (magic)
            data.replace(8, 3, QByteArray("AI\2"));
        return TreeBuilder::write(path, data, true);
    }
    // A program that exists, for entries that must not count as gone.
    QString program(const QString& name) const
    {
        return TreeBuilder::write(system() + QStringLiteral("/usr/bin/") + name, "#!/bin/sh\n", true);
    }

private:
    static void link(const QString& target, const QString& at)
    {
        EXPECT_TRUE(QDir().mkpath(QFileInfo(at).path()));
        EXPECT_TRUE(QFile::link(target, at)) << at.toStdString();
    }
};

} // namespace Sweepora::Test
