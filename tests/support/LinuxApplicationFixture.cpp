#include "support/LinuxApplicationFixture.h"

#include "platform/Sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Sweepora::Test {

using namespace Sweepora::Core;

namespace {

QString write(const QString& path, const QByteArray& data, bool executable = false)
{
    EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(data);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    return path;
}

void link(const QString& target, const QString& at)
{
    EXPECT_TRUE(QDir().mkpath(QFileInfo(at).path()));
    EXPECT_TRUE(QFile::link(target, at)) << at.toStdString();
}

} // namespace

QString LinuxApplicationFixture::systemRoot(const QString& home)
{
    return standardizedPath(home + QStringLiteral("/../../system"));
}

PlatformLayout LinuxApplicationFixture::layoutFor(const QString& home) const
{
    const QString sys = systemRoot(home);
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/.local/share")));
    qputenv("XDG_DATA_DIRS",
            QFile::encodeName(sys + QStringLiteral("/usr/share:") + sys + QStringLiteral("/flatpak/exports/share")));
    qputenv("FLATPAK_USER_DIR", QFile::encodeName(home + QStringLiteral("/.local/share/flatpak")));
    qputenv("FLATPAK_SYSTEM_DIR", QFile::encodeName(sys + QStringLiteral("/flatpak")));
    qputenv("SWEEPORA_SNAP_DIR", QFile::encodeName(sys + QStringLiteral("/snap")));
    PlatformLayout layout = PlatformLayout::forHome(home);
    layout.applicationProfile = ApplicationProfile::linuxDesktop;
    return layout;
}

void LinuxApplicationFixture::SetUp()
{
    HomeFixture::SetUp();
    for (const QString& folder : {systemEntries(), flatpakSystem() + QStringLiteral("/app"), snapRoot(), userEntries()})
        ASSERT_TRUE(QDir().mkpath(folder));
    Sandbox::setReadOnlyRoots(PlatformLayout::current().cacheApplicationRoots());
}

QString LinuxApplicationFixture::entry(const QString& path, const QString& lines)
{
    return write(path, (QStringLiteral("[Desktop Entry]\nType=Application\n") + lines + QLatin1Char('\n')).toUtf8());
}

QString LinuxApplicationFixture::flatpak(const QString& installation, const QString& id, const QString& name,
                                         qint64 bytes)
{
    const QString app = installation + QStringLiteral("/app/") + id;
    const QString deploy = app + QStringLiteral("/x86_64/stable/0123abcd");
    write(deploy + QStringLiteral("/metadata"),
          (QStringLiteral("[Application]\nname=") + id + QStringLiteral("\nruntime=org.fake.Platform/x86_64/1\n"))
              .toUtf8());
    write(deploy + QStringLiteral("/files/bin/app"), QByteArray(bytes, 'x'));
    const QString exported = QStringLiteral("/export/share/applications/") + id + QStringLiteral(".desktop");
    entry(deploy + exported, QStringLiteral("Name=") + name + QStringLiteral("\nIcon=") + id +
                                 QStringLiteral("\nExec=/usr/bin/flatpak run ") + id + QStringLiteral("\nX-Flatpak=") +
                                 id);
    link(QStringLiteral("x86_64/stable"), app + QStringLiteral("/current"));
    link(QStringLiteral("0123abcd"), app + QStringLiteral("/x86_64/stable/active"));
    link(QStringLiteral("../../../app/") + id + QStringLiteral("/current/active") + exported,
         installation + QStringLiteral("/exports/share/applications/") + id + QStringLiteral(".desktop"));
    return app;
}

QString LinuxApplicationFixture::snap(const QString& name, const QString& title, const QString& type) const
{
    const QString root = snapRoot() + QLatin1Char('/') + name;
    write(root + QStringLiteral("/7/meta/snap.yaml"),
          (QStringLiteral("name: ") + name + QStringLiteral("\nversion: '1.0'\ntitle: \"") + title +
           QStringLiteral("\"\ntype: ") + type + QStringLiteral("\napps:\n  ") + name +
           QStringLiteral(":\n    command: bin/run\n    name: nested\n"))
              .toUtf8());
    write(root + QStringLiteral("/7/bin/run"), QByteArray(500, 'x'));
    entry(root + QStringLiteral("/7/meta/gui/") + name + QStringLiteral(".desktop"),
          QStringLiteral("Name=GUI ") + name + QStringLiteral("\nIcon=${SNAP}/icon.png\nExec=") + name);
    link(QStringLiteral("7"), root + QStringLiteral("/current"));
    return root;
}

QString LinuxApplicationFixture::appImage(const QString& path, bool magic, qint64 bytes)
{
    QByteArray data(bytes, '\0');
    data.replace(0, 4,
                 "\x7f"
                 "ELF");
    if (magic) {
        data[8] = 'A';
        data[9] = 'I';
        data[10] = 2;
    }
    return write(path, data, true);
}

QString LinuxApplicationFixture::program(const QString& name) const
{
    return write(system() + QStringLiteral("/usr/bin/") + name, "#!/bin/sh\n", true);
}

} // namespace Sweepora::Test
