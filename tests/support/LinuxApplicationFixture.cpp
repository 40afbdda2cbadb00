#include "support/LinuxApplicationFixture.h"

#include "core/platform/Sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Sweepora::Test {

using namespace Sweepora::Core;
using namespace Qt::StringLiterals;

namespace {

void link(const QString& target, const QString& at)
{
    EXPECT_TRUE(QDir().mkpath(QFileInfo(at).path()));
    EXPECT_TRUE(QFile::link(target, at)) << at.toStdString();
}

} // namespace

QString LinuxApplicationFixture::systemRoot(const QString& home)
{
    return standardizedPath(home + u"/../../system"_s);
}

PlatformLayout LinuxApplicationFixture::layoutFor(const QString& home) const
{
    const QString sys = systemRoot(home);
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + u"/.local/share"_s));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(sys + u"/usr/share:"_s + sys + u"/flatpak/exports/share"_s));
    qputenv("FLATPAK_USER_DIR", QFile::encodeName(home + u"/.local/share/flatpak"_s));
    qputenv("FLATPAK_SYSTEM_DIR", QFile::encodeName(sys + u"/flatpak"_s));
    qputenv("SWEEPORA_SNAP_DIR", QFile::encodeName(sys + u"/snap"_s));
    PlatformLayout layout = PlatformLayout::forHome(home);
    layout.applicationProfile = ApplicationProfile::linuxDesktop;
    return layout;
}

void LinuxApplicationFixture::SetUp()
{
    HomeFixture::SetUp();
    for (const QString& folder : {systemEntries(), flatpakSystem() + u"/app"_s, snapRoot(), userEntries()})
        ASSERT_TRUE(QDir().mkpath(folder));
    Sandbox::setReadOnlyRoots(PlatformLayout::current().cacheApplicationRoots());
}

QString LinuxApplicationFixture::entry(const QString& path, const QString& lines)
{
    return TreeBuilder::write(path, (u"[Desktop Entry]\nType=Application\n"_s + lines + u'\n').toUtf8());
}

QString LinuxApplicationFixture::flatpak(const QString& installation, const QString& id, const QString& name,
                                         qint64 bytes)
{
    const QString app = installation + u"/app/"_s + id;
    const QString deploy = app + u"/x86_64/stable/0123abcd"_s;
    TreeBuilder::write(deploy + u"/metadata"_s,
                       (u"[Application]\nname="_s + id + u"\nruntime=org.fake.Platform/x86_64/1\n"_s).toUtf8());
    TreeBuilder::write(deploy + u"/files/bin/app"_s, QByteArray(bytes, 'x'));
    const QString exported = u"/export/share/applications/"_s + id + u".desktop"_s;
    entry(deploy + exported, u"Name=%1\nIcon=%2\nExec=/usr/bin/flatpak run %2\nX-Flatpak=%2"_s.arg(name, id));
    link(u"x86_64/stable"_s, app + u"/current"_s);
    link(u"0123abcd"_s, app + u"/x86_64/stable/active"_s);
    link(u"../../../app/"_s + id + u"/current/active"_s + exported,
         installation + u"/exports/share/applications/"_s + id + u".desktop"_s);
    return app;
}

QString LinuxApplicationFixture::snap(const QString& name, const QString& title, const QString& type) const
{
    const QString root = snapRoot() + u'/' + name;
    const QString yaml = u"name: %1\nversion: '1.0'\ntitle: \"%2\"\ntype: %3\napps:\n  %1:\n"
                         u"    command: bin/run\n    name: nested\n"_s;
    TreeBuilder::write(root + u"/7/meta/snap.yaml"_s, yaml.arg(name, title, type).toUtf8());
    TreeBuilder::write(root + u"/7/bin/run"_s, QByteArray(500, 'x'));
    entry(root + u"/7/meta/gui/"_s + name + u".desktop"_s, u"Name=GUI %1\nIcon=${SNAP}/icon.png\nExec=%1"_s.arg(name));
    link(u"7"_s, root + u"/current"_s);
    return root;
}

QString LinuxApplicationFixture::appImage(const QString& path, bool magic, qint64 bytes)
{
    QByteArray data(bytes, '\0');
    data.replace(0, 4, "\177ELF");
    if (magic) {
        data[8] = 'A';
        data[9] = 'I';
        data[10] = 2;
    }
    return TreeBuilder::write(path, data, true);
}

QString LinuxApplicationFixture::program(const QString& name) const
{
    return TreeBuilder::write(system() + u"/usr/bin/"_s + name, "#!/bin/sh\n", true);
}

} // namespace Sweepora::Test
