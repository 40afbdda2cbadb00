// Applications of a Linux home: discovery of every kind, their caches and related items, the
// uninstall of each kind, and the data that applications left behind.
#include "core/apps/ApplicationCacheEngine.h"
#include "core/apps/ApplicationUninstallEngine.h"
#include "core/apps/ApplicationUninstallModel.h"
#include "core/apps/DesktopEntry.h"
#include "core/apps/LeftoverEngine.h"
#include "core/apps/LinuxApplication.h"
#include "core/trash/CleanupHistory.h"
#include "support/LinuxApplicationFixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sys/stat.h>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

class LinuxApps : public LinuxApplicationFixture
{
protected:
    void SetUp() override
    {
        LinuxApplicationFixture::SetUp();
        grantHome();
    }
    LinuxApplicationPlaces places() const { return PlatformLayout::current().linuxApplications; }
    QList<LinuxApplication> discover() const { return LinuxApplications::discover(places()); }
    UninstallApplication listed(const QString& id, const QHash<QString, QString>& packages = {}) const
    {
        const QList<UninstallApplication> all = ApplicationUninstallEngine::listLinuxApplications(
            discover(), places(), home(), [packages](const QStringList&) { return packages; });
        for (const UninstallApplication& a : all)
            if (a.bundleID == id)
                return a;
        ADD_FAILURE() << "not listed: " << id.toStdString();
        return {};
    }
    static QStringList paths(const QList<UninstallItem>& items)
    {
        QStringList p;
        for (const UninstallItem& i : items)
            p.append(i.path);
        std::sort(p.begin(), p.end());
        return p;
    }
    // One of every kind, with the traps each kind has.
    void installEverything()
    {
        flatpak(flatpakUser(), u"org.foo.Bar"_s, u"Bar"_s);
        entry(flatpakUser() + u"/app/org.foo.Bar/current/active/export/share/applications/org.foo.Bar.desktop"_s,
              u"Name=Bar\nName[zh_CN]=酒吧\nX-Flatpak=org.foo.Bar"_s);
        flatpak(flatpakSystem(), u"org.foo.BarExtra"_s, u"Bar Extra"_s);
        // A system copy of the user's Flatpak is the same application.
        flatpak(flatpakSystem(), u"org.foo.Bar"_s, u"Bar (system)"_s);
        // An entry that names a Flatpak's ID without saying so is still that Flatpak.
        entry(systemEntries() + u"/org.foo.Bar.desktop"_s, u"Name=Impostor"_s);
        snap(u"hello"_s, u"Hello World"_s);
        snap(u"core22"_s, u"Core"_s, u"base"_s);
        entry(
            systemEntries() + u"/org.example.Editor.desktop"_s,
            u"Name=Editor\nName[zh]=编辑\nName[zh_CN]=编辑器\nExec=\"/opt/editor/bin/editor\" %F\nStartupWMClass=EditWin"_s);
        entry(systemEntries() + u"/bar.desktop"_s, u"Name=Bar Tool\nExec=env A=1 bar --x"_s);
        entry(systemEntries() + u"/kde/sub.desktop"_s, u"Name=Sub"_s);
        entry(systemEntries() + u"/hidden.desktop"_s, u"Name=Hidden\nNoDisplay=true"_s);
        entry(systemEntries() + u"/shadowed.desktop"_s, u"Name=Shadowed"_s);
        entry(userEntries() + u"/shadowed.desktop"_s, u"Name=Shadowed\nHidden=true"_s);
        TreeBuilder::write(systemEntries() + u"/notes.desktop"_s, "[Desktop Entry]\nType=Link\nName=Notes\n");
        entry(userEntries() + u"/my-tool.desktop"_s, u"Name=My Tool\nExec="_s + program(u"mytool"_s));
        const QString image = appImage(home() + u"/AppImages/Foo.AppImage"_s);
        entry(userEntries() + u"/appimagekit-foo.desktop"_s,
              u"Name=Foo\nIcon=foo-icon\nStartupWMClass=foo\nExec="_s + image);
        appImage(home() + u"/Applications/Tool-x86_64.AppImage"_s);
        appImage(home() + u"/Downloads/fake.AppImage"_s, false);
        TreeBuilder::write(home() + u"/Downloads/short"_s, QByteArray("\177ELF\0\0\0\0AI", 10));
    }
    void files(std::initializer_list<QString> relative, qint64 size = 10)
    {
        for (const QString& r : relative)
            m_tree->file(r, size);
    }
};

TEST_F(LinuxApps, EveryKindIsFoundOnceByIDCachesAreMatchedByExactNamesAndLeftoversAreTheDataOfApplicationsThatAreGone)
{
    installEverything();
    const QList<LinuxApplication> apps = discover();
    QStringList ids;
    QMap<QString, LinuxApplication> byId;
    for (const LinuxApplication& a : apps) {
        ids.append(a.id + u":"_s + kindName(a.kind) + u":"_s + a.name);
        byId.insert(a.id, a);
    }
    EXPECT_EQ(ids, (QStringList{u"Tool-x86_64:appimage:Tool-x86_64"_s, u"appimagekit-foo:appimage:Foo"_s,
                                u"bar:desktop:Bar Tool"_s, u"hello:snap:Hello World"_s, u"kde-sub:desktop:Sub"_s,
                                u"my-tool:user:My Tool"_s, u"org.example.Editor:desktop:编辑器"_s,
                                u"org.foo.Bar:flatpak:酒吧"_s, u"org.foo.BarExtra:flatpak:Bar Extra"_s}));
    EXPECT_FALSE(byId[u"org.foo.Bar"_s].systemWide) << "the user's installation is the one listed";
    EXPECT_EQ(byId[u"org.foo.Bar"_s].path, flatpakUser() + u"/app/org.foo.Bar"_s);
    EXPECT_TRUE(byId[u"org.foo.BarExtra"_s].systemWide);
    EXPECT_EQ(byId[u"appimagekit-foo"_s].path, home() + u"/AppImages/Foo.AppImage"_s);
    EXPECT_EQ(byId[u"appimagekit-foo"_s].icon, u"foo-icon"_s);
    EXPECT_EQ(byId[u"org.example.Editor"_s].program, u"/opt/editor/bin/editor"_s);
    EXPECT_EQ(byId[u"bar"_s].program, u"bar"_s);

    // Caches are matched by exact names only.
    const QString barCache = m_tree->file(u".var/app/org.foo.Bar/cache/a"_s, 10);
    // EDITOR is the last reverse-DNS component, without case; editwin the StartupWMClass; flatpak
    // is shared, never an application's.
    files({u".var/app/org.foo.BarExtra/cache/b"_s, u".var/app/org.foo.Bar/data/keep"_s, u".cache/bar/x"_s,
           u".cache/barista/x"_s, u".cache/EDITOR/x"_s, u".cache/editwin/x"_s, u".cache/org.example.Editor.old/x"_s,
           u".cache/flatpak/x"_s, u"snap/hello/common/.cache/c"_s, u"snap/hello/7/.cache/d"_s, u"snap/hello/7/data"_s});
    m_tree->symlink(u"snap/hello/current"_s, u"7"_s);
    m_tree->symlink(u".cache/my-tool"_s, home() + u"/.var"_s);

    QMap<QString, QStringList> found;
    for (const ApplicationCacheTarget& t :
         ApplicationCacheEngine::discoverTargetsFor(PlatformLayout::current(), home()))
        found[t.id + u":"_s + kindName(t.kind)] = t.directories;
    const QString h = home();
    EXPECT_EQ(found, (QMap<QString, QStringList>{
                         {u"bar:desktop"_s, {h + u"/.cache/bar"_s}},
                         {u"hello:snap"_s, {h + u"/snap/hello/common/.cache"_s, h + u"/snap/hello/7/.cache"_s}},
                         {u"org.example.Editor:desktop"_s, {h + u"/.cache/EDITOR"_s, h + u"/.cache/editwin"_s}},
                         {u"org.foo.Bar:flatpak"_s, {h + u"/.var/app/org.foo.Bar/cache"_s}},
                         {u"org.foo.BarExtra:flatpak"_s, {h + u"/.var/app/org.foo.BarExtra/cache"_s}}}));

    // Cleaning moves the files and the journal can put them back.
    QList<ApplicationCleanupResult> results = ApplicationCacheEngine::scanTargets(
        ApplicationCacheEngine::discoverTargetsFor(PlatformLayout::current(), home()), {});
    const ApplicationCacheEngine::CleanOutcome outcome = ApplicationCacheEngine::clean(results);
    EXPECT_TRUE(outcome.failed.isEmpty());
    EXPECT_FALSE(QFile::exists(barCache));
    EXPECT_TRUE(QFile::exists(h + u"/.cache/barista/x"_s));
    EXPECT_TRUE(QFile::exists(h + u"/snap/hello/7/data"_s));
    EXPECT_TRUE(CleanupHistory::restore(outcome.batchId).failed.isEmpty());
    EXPECT_TRUE(QFile::exists(barCache));

    // Leftovers are only the data of applications that are gone.
    files({u".var/app/org.foo.Bar/data/a"_s, u".var/app/org.foo.BarExtra/data/a"_s, u"snap/hello/common/a"_s});
    m_tree->file(u".var/app/org.foo.Ba/data/a"_s, 3000); // a look-alike of an installed one
    m_tree->file(u"snap/gone/common/a"_s, 2000);
    entry(userEntries() + u"/broken.desktop"_s, u"Name=Broken\nExec=/nonexistent/broken %U"_s);
    entry(h + u"/.config/autostart/old.desktop"_s, u"Exec=/nonexistent/old"_s);
    entry(h + u"/.config/autostart/override.desktop"_s, u"Hidden=true"_s);
    entry(h + u"/.config/autostart/fine.desktop"_s, u"Exec="_s + program(u"fine"_s));

    QList<LeftoverItem> items = LeftoverEngine::findLeftovers(places(), h);
    QStringList gone;
    for (const LeftoverItem& i : items)
        gone.append(i.bundleID + u":"_s + kindName(i.kind));
    EXPECT_EQ(gone, (QStringList{u"org.foo.Ba:flatpak"_s, u"gone:snap"_s, u"broken:user"_s, u"old:user"_s}));
    EXPECT_EQ(items[0].path, h + u"/.var/app/org.foo.Ba"_s);
    EXPECT_EQ(items[0].size, 3000);

    const LeftoverEngine::CleanOutcome cleaned = LeftoverEngine::clean(items);
    EXPECT_EQ(cleaned.moved.size(), 4);
    EXPECT_TRUE(LeftoverEngine::findLeftovers(places(), h).isEmpty());
    EXPECT_TRUE(QDir(h + u"/.var/app/org.foo.Bar"_s).exists());
    EXPECT_TRUE(CleanupHistory::restore(cleaned.batchId).failed.isEmpty());
    EXPECT_EQ(LeftoverEngine::findLeftovers(places(), h).size(), 4);
}

TEST_F(LinuxApps, ReadersSurviveHostileInputRelatedItemsAreExactAndUninstallingEachKindDoesWhatItSaidAndCanBeUndone)
{
    // Garbage, truncations and mutations of a real entry: never a crash, never a hang.
    const QByteArray valid = "[Desktop Entry]\nType=Application\nName[zh_CN]=名\nExec=\"a b\\\" c\" %U\n"
                             "[Application]\nname=x\nname: y\ntitle: 'z'\n";
    QRandomGenerator random(19);
    for (int round = 0; round < 3000; ++round) {
        QByteArray data = valid.left(random.bounded(valid.size() + 1));
        for (int i = random.bounded(6); i > 0 && !data.isEmpty(); --i)
            data[random.bounded(data.size())] = static_cast<char>(random.bounded(256));
        if (round % 7 == 0)
            data = QByteArray(random.bounded(64), static_cast<char>(random.bounded(256)));
        const DesktopEntry e = DesktopEntry::fromKeyFile(KeyFile::parse(data));
        DesktopEntry::programOf(QString::fromUtf8(data));
        LinuxApplications::parseSnapYaml(data);
        LinuxApplications::hasAppImageMagic(data);
        EXPECT_LE(e.name.size(), data.size());
    }
    EXPECT_EQ(DesktopEntry::programOf(u"\"/opt/My App/run\" --x"_s), u"/opt/My App/run"_s);
    EXPECT_EQ(DesktopEntry::programOf(u"\"unclosed"_s), u"unclosed"_s);
    EXPECT_EQ(DesktopEntry::programOf(u"env"_s), QString());
    EXPECT_EQ(LinuxApplications::parseSnapYaml("name: a\n  title: nested\ntitle: 'T'\n").title, u"T"_s);
    EXPECT_FALSE(LinuxApplications::isValidApplicationID(u".."_s));
    EXPECT_FALSE(LinuxApplications::isValidApplicationID(u"a/b"_s));

    // A FIFO where an entry should be, an entry linked to a file outside what may be read, and a
    // huge entry: the first two are not read, the third only in part.
    ASSERT_EQ(::mkfifo(QFile::encodeName(systemEntries() + u"/fifo.desktop"_s).constData(), 0600), 0);
    const QString outside = makeFolder(u"elsewhere"_s) + u"/secret.desktop"_s;
    entry(outside, u"Name=Secret"_s);
    ASSERT_TRUE(QFile::link(outside, systemEntries() + u"/secret.desktop"_s));
    TreeBuilder::write(systemEntries() + u"/huge.desktop"_s,
                       "[Desktop Entry]\nType=Application\nName=Huge\n" + QByteArray(4 * 1024 * 1024, '#'));
    QStringList ids;
    for (const LinuxApplication& a : discover())
        ids.append(a.id);
    EXPECT_EQ(ids, QStringList{u"huge"_s});

    // A folder on the way swapped for a link after discovery: read only where the link lands
    // inside what may be read.
    entry(userEntries() + u"/sub/tool.desktop"_s, u"Name=Tool"_s);
    ASSERT_TRUE(QDir(userEntries()).rename(u"sub"_s, u"kept"_s));
    ASSERT_TRUE(QFile::link(QFileInfo(outside).path(), userEntries() + u"/sub"_s));
    EXPECT_FALSE(KeyFile::read(userEntries() + u"/sub/secret.desktop"_s));
    ASSERT_TRUE(QFile::remove(userEntries() + u"/sub"_s));
    ASSERT_TRUE(QFile::link(userEntries() + u"/kept"_s, userEntries() + u"/sub"_s));
    EXPECT_TRUE(KeyFile::read(userEntries() + u"/sub/tool.desktop"_s));

    // Related items are exact, each kind says how it goes, and uninstalling does what it said.
    installEverything();
    files({u".var/app/org.foo.Bar/config/c"_s, u".var/app/org.foo.BarExtra/config/c"_s, u"snap/hello/common/x"_s,
           u".config/Foo/settings"_s, u".config/foobar/settings"_s, u".local/share/appimagekit-foo/db"_s,
           u".cache/foo/c"_s, u".config/autostart/appimagekit-foo.desktop"_s,
           u".local/share/icons/hicolor/48x48/apps/foo-icon.png"_s,
           u".local/share/icons/hicolor/48x48/apps/foo-icon-old.png"_s, u".config/editor/prefs"_s},
          100);
    const QString h = home();
    const auto uninstall = [](const UninstallApplication& app, const QString& flatpak) {
        return ApplicationUninstallEngine::uninstall(app, ApplicationUninstallEngine::workList(app), {}, flatpak);
    };

    const UninstallApplication image = listed(u"appimagekit-foo"_s);
    EXPECT_EQ(image.removal, UninstallRemoval::trash);
    EXPECT_EQ(image.path, h + u"/AppImages/Foo.AppImage"_s);
    QStringList expected; // sorted, as paths() gives them
    for (const char* r :
         {".cache/foo", ".config/Foo", ".config/autostart/appimagekit-foo.desktop", ".local/share/appimagekit-foo",
          ".local/share/applications/appimagekit-foo.desktop", ".local/share/icons/hicolor/48x48/apps/foo-icon.png"})
        expected << h + u'/' + QLatin1String(r);
    EXPECT_EQ(paths(image.related), expected);

    const UninstallApplication bar = listed(u"org.foo.Bar"_s);
    EXPECT_EQ(bar.removal, UninstallRemoval::flatpak);
    EXPECT_EQ(paths(bar.related), QStringList{h + u"/.var/app/org.foo.Bar"_s});
    EXPECT_GE(bar.appSize, 1000) << "the deploy folder's files";
    EXPECT_EQ(ApplicationUninstallEngine::flatpakArguments(listed(u"org.foo.BarExtra"_s))[2], u"--system"_s);
    EXPECT_TRUE(ApplicationUninstallModel::confirmationText(bar, {}).contains(u"未找到 flatpak 命令"_s));

    const UninstallApplication hello = listed(u"hello"_s);
    EXPECT_EQ(hello.removal, UninstallRemoval::manual);
    EXPECT_EQ(hello.removalCommand, u"snap remove hello"_s);
    EXPECT_EQ(paths(hello.related), QStringList{h + u"/snap/hello"_s});

    const QString editorEntry = systemEntries() + u"/org.example.Editor.desktop"_s;
    const UninstallApplication editor = listed(u"org.example.Editor"_s, {{editorEntry, u"sudo apt remove editor"_s}});
    EXPECT_EQ(editor.removal, UninstallRemoval::manual);
    EXPECT_EQ(paths(editor.related), QStringList{h + u"/.config/editor"_s});
    const QString said = ApplicationUninstallModel::confirmationText(editor, {});
    EXPECT_TRUE(said.contains(u"sudo apt remove editor"_s)) << said.toStdString();
    EXPECT_TRUE(said.contains(u"1 个关联项目将移到废纸篓"_s)) << said.toStdString();
    EXPECT_EQ(ApplicationUninstallEngine::workList(editor).size(), 1) << "the program itself is not moved";

    // Uninstalling each kind does what the confirmation said, and can be undone. A flatpak stand-in
    // records its arguments: no real package is ever touched.
    const QString record = h + u"/../flatpak-args"_s;
    const QString standIn = makeFolder(u"bin"_s) + u"/flatpak"_s;
    TreeBuilder::write(standIn, "#!/bin/sh\necho \"$@\" > '" + QFile::encodeName(record) + "'\n", true);

    EXPECT_TRUE(ApplicationUninstallModel::confirmationText(bar, standIn)
                    .contains(u"flatpak uninstall --noninteractive --user org.foo.Bar"_s));
    const ApplicationUninstallEngine::Outcome flat = uninstall(bar, standIn);
    EXPECT_TRUE(flat.bundleMoved);
    QFile recorded(record);
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    EXPECT_EQ(recorded.readAll().trimmed(), "uninstall --noninteractive --user org.foo.Bar");
    EXPECT_FALSE(QDir(h + u"/.var/app/org.foo.Bar"_s).exists());
    EXPECT_TRUE(QDir(bar.path).exists()) << "only flatpak removes its deploy folder";

    // Without the command the data still goes, and the application stays.
    const UninstallApplication extra = listed(u"org.foo.BarExtra"_s);
    const ApplicationUninstallEngine::Outcome none = uninstall(extra, {});
    EXPECT_FALSE(none.bundleMoved);
    EXPECT_TRUE(none.message.contains(u"未找到 flatpak 命令"_s));

    const ApplicationUninstallEngine::Outcome snapOutcome = uninstall(hello, standIn);
    EXPECT_FALSE(snapOutcome.bundleMoved);
    EXPECT_TRUE(snapOutcome.message.contains(u"snap remove hello"_s));
    EXPECT_FALSE(QDir(h + u"/snap/hello"_s).exists());
    EXPECT_TRUE(QDir(hello.path).exists());

    const ApplicationUninstallEngine::Outcome imageOutcome = uninstall(listed(u"appimagekit-foo"_s), standIn);
    EXPECT_TRUE(imageOutcome.bundleMoved);
    EXPECT_FALSE(QFile::exists(image.path));
    EXPECT_FALSE(QFile::exists(userEntries() + u"/appimagekit-foo.desktop"_s));

    const UninstallApplication tool = listed(u"my-tool"_s);
    ASSERT_EQ(tool.removal, UninstallRemoval::trash);
    EXPECT_TRUE(uninstall(tool, {}).bundleMoved);
    EXPECT_FALSE(QFile::exists(userEntries() + u"/my-tool.desktop"_s));

    for (const qint64 batch : {imageOutcome.batchId, snapOutcome.batchId, flat.batchId})
        EXPECT_TRUE(CleanupHistory::restore(batch).failed.isEmpty());
    EXPECT_TRUE(QFile::exists(image.path));
    EXPECT_TRUE(QFile::exists(h + u"/snap/hello/common/x"_s));
    EXPECT_TRUE(QFile::exists(h + u"/.var/app/org.foo.Bar/config/c"_s));
}

} // namespace
