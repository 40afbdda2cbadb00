// The real sweepora-cli binary on fixture trees, command by command: what each prints (field
// names and their order, messages, the table), what it moves, and its exit codes.
#include "cli/CliRunner.h"
#include "cli/Command.h"
#include "core/rules/CleanupRule.h"
#include "core/scanners/AboutInfo.h"
#include "support/BundleBuilder.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSet>

using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

TEST(CliUsage, HelpListsExactlyTheCommandsThatRunAndVersionNamesTheBuild)
{
    // usage.txt lists commands still to come: --help leaves out those the table lacks, and
    // a command the table has but usage.txt lacks would be missing here.
    const CliRun help = runCli({u"--help"_s});
    ASSERT_EQ(help.exitCode, 0);
    QSet<QString> listed;
    bool inCommands = false;
    for (const QString& line : QString::fromUtf8(help.out).split(u'\n')) {
        if (!line.startsWith(u' '))
            inCommands = line == QLatin1String("commands:");
        else if (inCommands && line.size() > 2 && line.at(2) != u' ')
            listed.insert(line.mid(2).section(u' ', 0, 0));
    }
    QSet<QString> table;
    for (const Sweepora::Cli::Command& c : Sweepora::Cli::commandTable())
        table.insert(c.name);
    EXPECT_EQ(listed, table);
    EXPECT_FALSE(help.out.contains("[man]"));
    EXPECT_FALSE(help.out.contains("\n#"));

    const CliRun version = runCli({u"--version"_s});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(version.out),
              u"sweepora-cli %1 (build %2)\n"_s.arg(*Sweepora::Core::AboutInfo::shortVersionString(),
                                                    *Sweepora::Core::AboutInfo::buildVersion()));
}

namespace {

// A listed file as the large and search commands print it.
QJsonObject sized(const QString& path)
{
    return {{u"path"_s, path}, {u"size"_s, TreeBuilder::allocatedBytes(path)}};
}

class LargeCli : public CliTest
{
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        c = home.file(u"c.bin"_s, 200000);
        a = home.file(u"a.bin"_s, 100000);
        b = home.file(u"sub/B.bin"_s, 100000);
        home.file(u"small.txt"_s, 1000);
    }
    // --home ROOT --json large TAIL; 0.00005 GB is 53,687 bytes.
    CliRun large(const char* tail = "--min 0.00005", const QString& root = {}) const
    {
        return runCli(
            QStringList{u"--home"_s, root.isEmpty() ? home.root() : root} + words("--json large") + words(tail), env);
    }
    QString a, b, c;
};

TEST_F(LargeCli, PrintsOneJsonObjectOrATableWithItemsInPageOrderAndMovesWithYes)
{
    const CliRun run = large();
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.count('\n'), 1) << "one object, one line";
    EXPECT_EQ(run.json().keys(), words("command items message"));
    EXPECT_EQ(run.at("command").toString(), u"large"_s);
    EXPECT_EQ(run.at("message").toString(), u"发现 3 个大文件"_s);
    EXPECT_EQ(run.items(), (QJsonArray{sized(c), sized(a), sized(b)})); // larger first; equal sizes a before B

    const CliRun table = ok("large --min 0.00005");
    const QStringList lines = QString::fromUtf8(table.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << table.out.toStdString();
    EXPECT_TRUE(lines[1].endsWith(c));
    EXPECT_TRUE(lines[1].contains(u"201 KB"_s));
    // Sizes are right-aligned: the paths start in one column.
    EXPECT_EQ(lines[1].indexOf(u'/'), lines[3].indexOf(u'/'));
    EXPECT_EQ(lines[4], u"发现 3 个大文件"_s);

    // The default minimum is one gigabyte.
    EXPECT_EQ(large("").at("message").toString(), u"没有发现符合条件的大文件"_s);

    // Without a terminal to ask on, a move needs --yes.
    const CliRun refused = large("--min 0.00005 --move-to-trash");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QLatin1String("--yes"))) << refused.err.toStdString();
    EXPECT_TRUE(refused.at("error").toBool());
    EXPECT_TRUE(QFileInfo::exists(c));
    const CliRun moved = large("--min 0.00005 --move-to-trash --yes", home.path(u"sub"_s));
    ASSERT_EQ(moved.exitCode, 0) << moved.err.toStdString();
    expectMoved(moved, QJsonArray{b}, u"已将 1 个文件移到废纸篓"_s);
    EXPECT_FALSE(QFileInfo::exists(b));
    EXPECT_TRUE(QFileInfo::exists(data.path(u"Trash/files/B.bin"_s)));
}

TEST_F(LargeCli, AHomeThatCannotBeScannedExitsTwoSweeporaHomeStandsInAndUsageErrorsOfEveryCommandExitOne)
{
    const QString file = home.file(u"plain.txt"_s);
    const QString dangling = home.symlink(u"alias"_s, home.path(u"gone"_s));
    for (const QString& where : {home.path(u"missing"_s), file, dangling}) {
        const CliRun run = large("", where);
        EXPECT_EQ(run.exitCode, 2) << where.toStdString();
        EXPECT_TRUE(run.err.contains(where)) << run.err.toStdString();
        // With --json the failure is also one object on standard output.
        EXPECT_EQ(run.json(),
                  (QJsonObject{{u"command"_s, u"large"_s}, {u"error"_s, true}, {u"message"_s, run.at("message")}}));
        EXPECT_TRUE(run.at("message").toString().contains(where));
    }
    QProcessEnvironment sweeporaHome = env;
    sweeporaHome.insert(u"SWEEPORA_HOME"_s, home.path(u"sub"_s));
    const CliRun run = runCli(words("--json large --min 0.00005"), sweeporaHome);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.items(), QJsonArray{sized(b)});

    // The first is no command at all; 1e-12 GB is below one byte; a query of white space is none.
    const QStringList bad = u"|frobnicate|--bogus large|--home|--home= large|--now yesterday large|"
                            u"large --what|large --yes|large --min|large --min 0|large --min -1|"
                            u"large --min abc|large --min nan|large --min inf|large --min=1e300|"
                            u"large --min 1e-12|search|search a b|search \t|empty extra|rules extra|"
                            u"storage a b|storage --deep|trash extra|trash --move-to-trash --yes|apps --bogus|"
                            u"app-caches --app-root|leftovers --bogus|dupes --min|dupes --min 12Q|dupes --fast|"
                            u"restore --last|restore abc --yes|history --yes|installers --min 3"_s.split(u'|');
    for (const QString& tail : bad) {
        // A usage error wins over a home folder that does not exist: nothing is touched first.
        const CliRun run =
            runCli(QStringList{u"--home"_s, home.path(u"missing"_s)} + tail.split(u' ', Qt::SkipEmptyParts));
        EXPECT_EQ(run.exitCode, 1) << tail.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String("usage: sweepora-cli"))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    const CliRun unknown = runCli(words("frobnicate"));
    EXPECT_TRUE(unknown.err.contains(QLatin1String("frobnicate")));
    EXPECT_TRUE(unknown.err.contains(QLatin1String("large [--min GB]")));

    for (const char* good : {"--min=0.00005", "--min 5e-5", "--min 10"})
        EXPECT_EQ(large(good).exitCode, 0) << good;
    EXPECT_EQ(large("--min=0.00005").items().size(), 3);
}

TEST_F(CliTest, QuickPrintsOneObjectOrLinePerScanInCardOrderWithTheSeparateCommandsCountsAndNothingMoves)
{
    home.file(u"Library/Logs/app.log"_s, 3000);
    home.file(u"Downloads/old.zip"_s, 4000);
    home.file(u"Downloads/disk.iso"_s, 5000);
    home.folder(u"empty/one"_s);
    home.folder(u"two"_s);
    // Two months on: the archive and the disk image count as old.
    const auto later = [&](const QString& command) {
        return ok(
            {u"--now"_s, QDateTime::currentDateTimeUtc().addMonths(2).toString(Qt::ISODate), u"--json"_s, command});
    };
    const CliRun quick = later(u"quick"_s);
    EXPECT_FALSE(quick.json().contains(QLatin1String("items")));
    const QJsonArray scans = quick.at("scans").toArray();
    QStringList sections;
    for (const QJsonValue& scan : scans) {
        sections << scan[u"section"].toString();
        EXPECT_EQ(scan[u"state"].toString(), u"scanned"_s);
    }
    EXPECT_EQ(sections, words("常规清理 应用清理 闲杂文件 压缩包清理 安装包清理 空文件夹清理"));
    // The shared walk finds what each scan finds alone (checked in core); here, that it is reported.
    const QJsonArray archives = later(u"archives"_s).items();
    EXPECT_EQ(scans[3].toObject()[u"count"].toInteger(), archives.size());
    EXPECT_EQ(scans[3].toObject()[u"size"].toInteger(), archives.isEmpty() ? 0 : archives[0][u"size"].toInteger());
    EXPECT_EQ(scans[5].toObject()[u"count"].toInteger(), 2);

    const CliRun text = ok("quick");
    const QString out = QString::fromUtf8(text.out);
    EXPECT_EQ(out.count(u"已完成"_s), 6 + 1) << out.toStdString(); // six rows and the summary
    EXPECT_TRUE(out.contains(u"2 项结果"_s));
    EXPECT_EQ(cli("quick --move-to-trash --yes").exitCode, 1);
    EXPECT_TRUE(QDir(home.path(u"empty/one"_s)).exists());
}

TEST_F(CliTest, RulesListsUserAndBundledRulesLargestFirstAndMovesEveryFileOfThem)
{
    // A user rule of our own, and a cache that one of the bundled rules names.
    const Sweepora::Core::CleanupRule rule{true, u"测试缓存"_s,    {u"USERFOLDER/AppCache"_s},
                                           0,    u"org.example"_s, u"d"_s};
    TreeBuilder::write(data.path(u"Sweepora/Rules/x.json"_s), rule.toJson());
    const QString mine = home.file(u"AppCache/a/blob"_s, 5000);
    const QString pip = home.file(u".cache/pip/http/1/entry"_s, 3000);
    const CliRun run = ok("--json rules");
    EXPECT_EQ(run.at("message").toString(), u"发现 2 项可清理内容"_s);
    const QJsonArray items = run.items();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].toObject(), (QJsonObject{{u"id"_s, u"org.example测试缓存"_s},
                                                {u"name"_s, u"测试缓存"_s},
                                                {u"packName"_s, u"org.example"_s},
                                                {u"size"_s, 5000},
                                                {u"files"_s, QJsonArray{mine}}}));
    EXPECT_EQ(items[1].toObject()[u"files"].toArray(), QJsonArray{pip});

    expectMoved(ok("--json rules --move-to-trash --yes"), QJsonArray{mine, pip}, u"清理完成，文件已移到废纸篓"_s);
    EXPECT_FALSE(QFile::exists(mine));
    EXPECT_FALSE(QFile::exists(pip));
}

TEST_F(CliTest, EmptyListsPathsDeepestFirstAndSearchListsHitsLargestFirst)
{
    const QString deep = home.folder(u"x/y/z"_s);
    const QString top = home.folder(u"Top"_s);
    const CliRun r = ok("--json empty");
    EXPECT_EQ(r.at("message").toString(), u"发现 2 个空文件夹"_s);
    EXPECT_EQ(r.items(), (QJsonArray{QJsonObject{{u"path"_s, deep}}, QJsonObject{{u"path"_s, top}}}));

    const CliRun table = ok("empty");
    EXPECT_TRUE(table.out.contains(deep.toUtf8()));
    EXPECT_TRUE(QString::fromUtf8(table.out).trimmed().endsWith(u"发现 2 个空文件夹"_s));

    expectMoved(ok("--json empty --move-to-trash --yes"), QJsonArray{deep, top}, u"已将 2 个空文件夹移到废纸篓"_s);
    EXPECT_FALSE(QFileInfo::exists(deep));

    const QString big = home.file(u"docs/annual-report.pdf"_s, 90'000);
    const QString small = home.file(u"REPORTS.txt"_s, 100);
    home.file(u"r-e-p-o-r-t.txt"_s, 100);
    home.file(u".report"_s, 100);
    home.folder(u"report-folder"_s);
    const CliRun hits = ok({u"--json"_s, u"search"_s, u" Report "_s});
    EXPECT_EQ(hits.at("message").toString(), u"找到 2 个名称包含“Report”的文件"_s);
    EXPECT_EQ(hits.items(), (QJsonArray{sized(big), sized(small)}));
}

TEST_F(CliTest, TrashPrintsItsCountSizeAndAvailabilityAndStorageRanksAndMovesTheChildrenOfAFolder)
{
    const QString docs = home.file(u"docs/a"_s, 100000);
    const QString file = home.file(u"file.bin"_s, 20000);
    // The Trash is made inside an existing data folder, never in its place.
    QJsonObject o = ok("--json trash").json();
    EXPECT_EQ(o.keys(), words("available command itemCount message totalSize"));
    EXPECT_FALSE(o[u"available"].toBool()) << "no Trash folder yet";
    EXPECT_EQ(o[u"message"].toString(), u"暂时无法读取"_s);

    TreeBuilder trash(data.path(u"Trash/files"_s));
    const qint64 size = TreeBuilder::allocatedBytes(trash.file(u".hidden"_s, 7000)) +
                        TreeBuilder::allocatedBytes(trash.file(u"folder/a"_s, 9000));
    o = cli("--json trash").json();
    EXPECT_TRUE(o[u"available"].toBool());
    EXPECT_EQ(o[u"itemCount"].toInt(), 2);
    EXPECT_EQ(o[u"totalSize"].toInteger(), size);

    // storage ranks the children of the home or of the folder named, refuses anything else, and moves them.
    const CliRun r = ok("--json storage");
    EXPECT_EQ(r.at("message").toString(), u"共 2 项"_s);
    EXPECT_EQ(r.items(), (QJsonArray{QJsonObject{{u"isDirectory"_s, true},
                                                 {u"path"_s, home.path(u"docs"_s)},
                                                 {u"size"_s, TreeBuilder::allocatedBytes(docs)}},
                                     QJsonObject{{u"isDirectory"_s, false},
                                                 {u"path"_s, file},
                                                 {u"size"_s, TreeBuilder::allocatedBytes(file)}}}));

    // Another folder, named on the command line.
    const QString outside = TreeBuilder(m_dir.path()).file(u"outside/x"_s, 3000);
    const CliRun other = cli({u"--json"_s, u"storage"_s, QFileInfo(outside).path()});
    ASSERT_EQ(other.items().size(), 1);
    EXPECT_EQ(other.items()[0].toObject()[u"path"].toString(), outside);

    // What it cannot analyse.
    EXPECT_EQ(cli("--json storage /nonexistent/folder").exitCode, 2);
    const CliRun notAFolder = cli({u"storage"_s, file});
    EXPECT_EQ(notAFolder.exitCode, 2);
    EXPECT_TRUE(notAFolder.err.contains(u"not a folder"_s)) << notAFolder.err.toStdString();

    expectMoved(ok("--json storage --move-to-trash --yes"), QJsonArray{home.path(u"docs"_s), file},
                u"已将 2 项移到废纸篓"_s);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_FALSE(QFileInfo::exists(docs));
}

QDateTime birthTime(const QString& path)
{
    return QDateTime::fromMSecsSinceEpoch(TreeBuilder::birthMSecs(path).value_or(0), Qt::UTC);
}

TEST_F(CliTest, MiscListsPathSizeAndCreationTimeAndNowMovesTheOneMonthCutoff)
{
    const QString log = home.file(u"var/debug.log"_s, 3000);
    const QString zip = home.file(u"Downloads/photos.zip"_s, 9000);
    SWEEPORA_SKIP_WITHOUT_BIRTH_TIMES(zip);
    // --json --now WHEN COMMAND…
    const auto at = [&](const QDateTime& now, const char* command) {
        return ok(QStringList{u"--json"_s, u"--now"_s, now.toString(Qt::ISODateWithMs)} + words(command));
    };
    CliRun run = ok("--json misc");
    EXPECT_EQ(run.at("message").toString(), u"发现 1 个闲杂文件"_s);
    QJsonObject item = sized(log);
    item.insert(u"created"_s, birthTime(log).toString(Qt::ISODateWithMs));
    EXPECT_EQ(run.items(), QJsonArray{item});

    // Brand new: nothing is a month old; a month and a second after its birth the archive is.
    run = ok("--json archives");
    EXPECT_TRUE(run.items().isEmpty());
    EXPECT_EQ(run.at("message").toString(), u"没有发现一个月以前的压缩包"_s);
    run = at(birthTime(zip).addMonths(1).addSecs(1), "archives");
    ASSERT_EQ(run.items().size(), 1);
    EXPECT_EQ(run.items()[0].toObject()[u"path"].toString(), zip);

    const QDateTime farAhead(QDate(2100, 1, 1), QTime(0, 0), Qt::UTC);
    run = at(farAhead, "archives --move-to-trash --yes");
    expectMoved(run, QJsonArray{zip}, u"已将 1 个文件移到废纸篓"_s);
    EXPECT_FALSE(QFileInfo::exists(zip));
    EXPECT_TRUE(QFileInfo::exists(log));
}

TEST_F(CliTest, AppCachesAndAppsListEveryBundleWithItsRelatedItemsAndMovingUninstallsEverything)
{
    const QString shared = m_dir.path() + u"/Applications"_s;
    home.folder(u"Applications"_s);
    BundleBuilder::make(shared + u"/Editor.app"_s, {u"com.editor"_s, u"Editor"_s, {}, true, 1000});
    BundleBuilder::make(home.path(u"Applications/Editor.app"_s), {u"com.editor"_s, {}, u"My Editor"_s, false, 50});
    BundleBuilder::make(shared + u"/Tools/NoID.app"_s, BundlePlist{});
    const QString cache = home.file(u"Library/Caches/com.editor/c"_s, 70);
    const auto withRoots = [&](const char* command) {
        return QStringList{u"--json"_s} + words(command) +
               QStringList{u"--app-root"_s, shared, u"--app-root"_s, home.path(u"Applications"_s)};
    };
    const CliRun run = ok(withRoots("app-caches"));
    EXPECT_EQ(run.at("message").toString(), u"发现 1 个应用的缓存垃圾"_s);
    EXPECT_EQ(run.items(), (QJsonArray{QJsonObject{{u"bundleID"_s, u"com.editor"_s},
                                                   {u"files"_s, QJsonArray{cache}},
                                                   {u"kind"_s, u"bundle"_s},
                                                   {u"name"_s, u"My Editor"_s},
                                                   {u"size"_s, 70}}}));

    const CliRun apps = ok(withRoots("apps"));
    EXPECT_EQ(apps.at("message").toString(), u"找到 3 个应用"_s);
    ASSERT_EQ(apps.items().size(), 3);
    const QJsonObject app = apps.items()[0].toObject();
    EXPECT_EQ(app[u"name"].toString(), u"Editor"_s);
    ASSERT_EQ(app[u"related"].toArray().size(), 1);
    EXPECT_EQ(app[u"totalSize"].toInteger(),
              app[u"appSize"].toInteger() + app[u"related"].toArray()[0].toObject()[u"size"].toInteger());

    // Moving without a terminal needs --yes; with it, everything of the application goes.
    EXPECT_EQ(cli(withRoots("apps --move-to-trash")).exitCode, 1);
    EXPECT_TRUE(QDir(shared + u"/Editor.app"_s).exists());

    const CliRun moved = ok(withRoots("apps --move-to-trash --yes"));
    EXPECT_FALSE(QDir(shared + u"/Editor.app"_s).exists());
    EXPECT_FALSE(QDir(home.path(u"Applications/Editor.app"_s)).exists());
    EXPECT_FALSE(QFile::exists(cache));
    EXPECT_TRUE(moved.at("failed").toArray().isEmpty());
    EXPECT_TRUE(moved.at("message").toString().contains(u"已移到废纸篓"_s));
}

TEST_F(CliTest, OnLinuxAppsCachesAndLeftoversCarryTheKindOfEachApplication)
{
    // A Linux system beside the home, reached through the environment as on a real one.
    const QString sys = m_dir.path() + u"/system"_s;
    env.insert(u"XDG_DATA_DIRS"_s, sys + u"/share"_s);
    env.insert(u"FLATPAK_USER_DIR"_s, home.path(u".local/share/flatpak"_s));
    env.insert(u"FLATPAK_SYSTEM_DIR"_s, sys + u"/flatpak"_s);
    env.insert(u"SWEEPORA_SNAP_DIR"_s, sys + u"/snap"_s);
    TreeBuilder system(sys);
    TreeBuilder::write(system.path(u"flatpak/app/org.foo.Bar/current/active/metadata"_s),
                       "[Application]\nname=org.foo.Bar\n");
    system.file(u"flatpak/app/org.foo.Bar/current/active/files/bin/bar"_s, 5000);
    system.folder(u"snap"_s);
    system.folder(u"share/applications"_s);
    const QString cache = home.file(u".var/app/org.foo.Bar/cache/c"_s, 70);
    home.file(u".var/app/org.foo.BarExtra/data/d"_s, 90);
    const CliRun apps = ok("--json apps");
    ASSERT_EQ(apps.items().size(), 1);
    const QJsonObject bar = apps.items()[0].toObject();
    EXPECT_EQ(bar.keys(), words("appSize bundleID kind name path related totalSize"));
    EXPECT_EQ(bar[u"kind"].toString(), u"flatpak"_s);
    EXPECT_EQ(bar[u"bundleID"].toString(), u"org.foo.Bar"_s);
    EXPECT_EQ(bar[u"related"].toArray()[0].toObject()[u"path"].toString(), home.path(u".var/app/org.foo.Bar"_s));

    const CliRun caches = cli("--json app-caches");
    ASSERT_EQ(caches.items().size(), 1);
    EXPECT_EQ(caches.items()[0].toObject()[u"kind"].toString(), u"flatpak"_s);
    EXPECT_EQ(caches.items()[0].toObject()[u"files"].toArray(), QJsonArray{cache});

    const CliRun leftovers = ok("--json leftovers");
    EXPECT_EQ(leftovers.at("message").toString(), u"发现 1 项残留文件"_s);
    ASSERT_EQ(leftovers.items().size(), 1);
    const QJsonObject gone = leftovers.items()[0].toObject();
    EXPECT_EQ(gone.keys(), words("bundleID kind path size"));
    EXPECT_EQ(gone[u"path"].toString(), home.path(u".var/app/org.foo.BarExtra"_s));
    EXPECT_EQ(gone[u"kind"].toString(), u"flatpak"_s);

    const CliRun moved = ok("--json leftovers --move-to-trash --yes");
    EXPECT_EQ(moved.at("moved").toArray(), QJsonArray{home.path(u".var/app/org.foo.BarExtra"_s)});
    EXPECT_FALSE(QDir(home.path(u".var/app/org.foo.BarExtra"_s)).exists());
    EXPECT_TRUE(QDir(home.path(u".var/app/org.foo.Bar"_s)).exists());
}

} // namespace
