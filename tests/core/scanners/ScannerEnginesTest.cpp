// The scan engines on real trees: what each lists, in which order, and what its clean moves
// when the tree changed after the scan.
#include "core/platform/PathBytes.h"
#include "core/platform/Sandbox.h"
#include "core/scanners/EmptyFolderEngine.h"
#include "core/scanners/FileSearchEngine.h"
#include "core/scanners/LargeFileEngine.h"
#include "core/scanners/MiscFileEngine.h"
#include "core/scanners/SharedHomeWalk.h"
#include "core/scanners/StorageEngine.h"
#include "core/trash/Trash.h"
#include "core/util/NameOrder.h"
#include "support/ScopedTreeFixture.h"
#include "support/TrashFakes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>

#include <functional>

#include <sys/stat.h>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

constexpr MiscFileCategory kMisc = MiscFileCategory::miscellaneous;
constexpr MiscFileCategory kArchives = MiscFileCategory::archives;
constexpr MiscFileCategory kInstallers = MiscFileCategory::installers;

// The last path component of every item, in the order listed.
template <class Items> QStringList names(const Items& items)
{
    QStringList n;
    for (const auto& i : items)
        n.append(i.path.section(u'/', -1));
    return n;
}

QDateTime local(int y, int m, int d, int h = 12, int min = 0, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}

class Engines : public ScopedTreeFixture
{
protected:
    // Paths relative to the home, in the order listed.
    template <class Items> QStringList relative(const Items& items) const
    {
        QStringList r;
        for (const auto& i : items)
            r.append(QDir(home()).relativeFilePath(i.path));
        return r;
    }
    QStringList searched(const QString& query) const { return relative(FileSearchEngine::search(home(), query).items); }
    QStringList emptyFolders() const { return relative(EmptyFolderEngine::findEmptyFolders(home()).items); }
    // Far enough ahead that everything made by the test is older than the cutoff.
    static std::optional<QDateTime> everythingIsOld() { return QDateTime::currentDateTime().addMonths(2); }
    void files(std::initializer_list<QString> relative, qint64 size = 10)
    {
        for (const QString& r : relative)
            m_tree.file(r, size);
    }
    void folders(std::initializer_list<QString> relative)
    {
        for (const QString& r : relative)
            m_tree.folder(r);
    }
};

} // namespace

TEST(NamesDatesAndSizes, NamesMatchByWholeWordOrLastExtensionCutoffsAreCalendarMonthsAndThresholdsHalfGigabytes)
{
    // "log", "logs", "cache" or "caches" must be a whole word: split at every character that is
    // not a letter or digit, from lower to upper case, and between letters and digits.
    const QStringList misc{u"debug.LOG"_s,     u"MyCache.bin"_s,   u"x.zip.log"_s,     u"Änderungs-Log.txt"_s,
                           u"Ä-CACHE.json"_s,  u"app.log"_s,       u"error_log.txt"_s, u"app.log.1"_s,
                           u"npm-cache.tmp"_s, u"myLogFile.txt"_s, u"Logs2024.txt"_s,  u"CACHES"_s};
    const QStringList archives{u"logs.zip"_s, u"x.tar.gz"_s, u"x.TGZ"_s, u"backup.tar.bz2"_s, u"a.7z"_s, u"x.tbz2"_s};
    const QStringList installers{u"cache.dmg"_s,  u"Setup.PKG"_s, u"disk.iso"_s,     u"a.deb"_s, u"b.rpm"_s,
                                 u"C.AppImage"_s, u"d.flatpak"_s, u"e.flatpakref"_s, u"f.snap"_s};
    const QStringList neither{u"catalog.json"_s,    u"notes.txt"_s, u"zip"_s,          u"caché.json"_s,
                              u"blog.md"_s,         u"blog.txt"_s,  u"CHANGELOG.md"_s, u"CHANGELOG"_s,
                              u"LoginDialog.txt"_s, u"g.debx"_s,    u"blog草稿.txt"_s, u"产品Catalog_2026.txt"_s};
    // Documents, code, media and databases are never junk, whatever their name says.
    const QStringList work{u"Apology.docx"_s, u"cache_manager.py"_s, u"cache.sqlite"_s, u"log.CPP"_s,
                           u"Logs.pdf"_s,     u"cache.PNG"_s,        u"log.mp4"_s};
    for (const QString& name : misc + archives + installers + neither + work) {
        const std::string bytes = name.toStdString();
        SCOPED_TRACE(bytes);
        const std::pair<MiscFileCategory, bool> expected[] = {{kMisc, misc.contains(name)},
                                                              {kArchives, archives.contains(name)},
                                                              {kInstallers, installers.contains(name)}};
        for (const auto& [category, matches] : expected) {
            EXPECT_EQ(MiscFileEngine::matchesName(category, name), matches);
            // The walk asks with the raw bytes; both ways must agree.
            EXPECT_EQ(MiscFileEngine::matchesName(category, std::string_view(bytes)), matches);
        }
    }
    // Invalid UTF-8 does not stop a match on the ASCII part.
    EXPECT_TRUE(MiscFileEngine::matchesName(kMisc, std::string_view("\xff\xfe-debug.log")));

    // The search's byte comparison must give the same answers as text containment, including letters
    // beyond ASCII that fold to ASCII (Kelvin sign, long s) and names that are not UTF-8.
    const QStringList queries{u"k"_s, u"S"_s, u"Report"_s, u"é"_s, u"ss"_s, u"a.b"_s};
    const QStringList texts{u"KELVIN"_s,  u"\u212Aelvin"_s, u"\u017Fun"_s, u"Café"_s, u"CAFÉ"_s,
                            u"reportS"_s, u"straße"_s,      u"a.b.c"_s,    u"axb"_s};
    for (const QString& q : queries) {
        const FileSearchEngine::NameMatcher matcher(q);
        for (const QString& t : texts) {
            const QByteArray bytes = t.toUtf8();
            EXPECT_EQ(matcher.matches(std::string_view(bytes.constData(), size_t(bytes.size()))),
                      t.contains(q, Qt::CaseInsensitive))
                << q.toStdString() << " in " << t.toStdString();
        }
    }
    EXPECT_TRUE(FileSearchEngine::NameMatcher(u"caf"_s).matches(std::string_view("CAF\xe9.txt")));
    EXPECT_FALSE(FileSearchEngine::NameMatcher(QString()).matches(std::string_view("anything")));

    // The cutoff is one calendar month back; ages use whole calendar units.
    EXPECT_EQ(MiscFileEngine::cutoffFor(local(2027, 3, 31)), local(2027, 2, 28));
    EXPECT_EQ(MiscFileEngine::cutoffFor(local(2028, 3, 31)), local(2028, 2, 29));
    EXPECT_EQ(MiscFileEngine::cutoffFor(local(2027, 1, 15, 8, 30, 5)), local(2026, 12, 15, 8, 30, 5));
    EXPECT_FALSE(MiscFileEngine::cutoffFor(QDateTime()).has_value());

    // Every slider stop is a whole number of half gigabytes.
    for (int stop = 1; stop <= 20; ++stop)
        EXPECT_EQ(LargeFileEngine::thresholdBytes(stop * 0.5), stop * 536'870'912LL) << stop;
    // Truncated, not rounded.
    EXPECT_EQ(LargeFileEngine::thresholdBytes(0.3), 322'122'547);
}

TEST_F(Engines, EachMiscCategoryListsItsVisibleFilesOutsidePackagesAndInstallersIncludePackageFolders)
{
    SWEEPORA_SKIP_WITHOUT_BIRTH_TIMES(m_tree.file(u".probe"_s));
    m_tree.file(u"error_log.txt"_s, 3000);
    m_tree.file(u"a/debug.LOG"_s, 9000);
    // Junk beside files whose names only contain "log" or "cache", or that hold the user's work; a
    // folder that matches by name only; hidden, packaged and linked names.
    files({u"a/b/npm-cache.tmp"_s, u"catalog.json"_s, u"a/b/CHANGELOG.md"_s, u"a/b/cache.sqlite"_s,
           u"a/LoginDialog.cpp"_s, u"logs.zip"_s, u"cache.dmg"_s, u"logs/readme.txt"_s, u".hidden.log"_s,
           u".config/app.log"_s, u"Tool.app/Contents/run.log"_s},
          100);
    m_tree.symlink(u"link.log"_s, m_tree.path(u"catalog.json"_s));

    // The age rule never applies to this category, whatever the cutoff.
    const MiscFileEngine::Report report = MiscFileEngine::findFiles(home(), kMisc, QDateTime::fromSecsSinceEpoch(0));
    EXPECT_EQ(names(report.items), (QStringList{u"debug.LOG"_s, u"error_log.txt"_s, u"npm-cache.tmp"_s}));
    for (const MiscFileItem& item : report.items) {
        EXPECT_EQ(item.size, TreeBuilder::allocatedBytes(item.path));
        EXPECT_EQ(item.creationDate.toMSecsSinceEpoch(), TreeBuilder::birthMSecs(item.path));
    }

    // Archives and installers, package folders included, on the same tree.
    m_tree.file(u"x.tar.gz"_s, 5000);
    files({u"d/x.TGZ"_s, u"Tool.app/bundled.zip"_s, u".old/hidden.zip"_s}, 100);
    m_tree.folder(u"folder.zip"_s);
    m_tree.folder(u"Disk.dmg/inner"_s);
    const QString a = m_tree.file(u"Foo.pkg/Contents/a"_s, 20000);
    const QString b = m_tree.file(u"Foo.pkg/Contents/sub/b"_s, 7000);
    m_tree.file(u"Foo.pkg/.hidden"_s, 50000);
    m_tree.file(u"Foo.pkg/Contents/Plugin.bundle/c"_s, 50000);
    m_tree.symlink(u"Foo.pkg/Contents/l"_s, m_tree.path(u"x.tar.gz"_s));

    EXPECT_EQ(names(MiscFileEngine::findFiles(home(), kArchives, everythingIsOld()).items),
              (QStringList{u"x.tar.gz"_s, u"logs.zip"_s, u"x.TGZ"_s}));
    const MiscFileEngine::Report installers = MiscFileEngine::findFiles(home(), kInstallers, everythingIsOld());
    ASSERT_EQ(names(installers.items), (QStringList{u"Foo.pkg"_s, u"cache.dmg"_s}));
    EXPECT_TRUE(installers.items[0].isDirectory);
    EXPECT_EQ(installers.items[0].size, TreeBuilder::allocatedBytes(a) + TreeBuilder::allocatedBytes(b));
}

TEST_F(Engines, OnlyItemsBornStrictlyBeforeTheCutoffAreOldAndAPackageFolderIsKnownByItsOwnIdentity)
{
    const QString zip = m_tree.file(u"a.zip"_s, 10);
    SWEEPORA_SKIP_WITHOUT_BIRTH_TIMES(zip);
    const QDateTime birth = QDateTime::fromMSecsSinceEpoch(*TreeBuilder::birthMSecs(zip));
    auto listed = [&](const std::optional<QDateTime>& cutoff) {
        return MiscFileEngine::findFiles(home(), kArchives, cutoff).items.size() == 1;
    };
    EXPECT_FALSE(listed(birth));
    EXPECT_TRUE(listed(birth.addSecs(1)));
    EXPECT_FALSE(listed(birth.addSecs(-1)));
    EXPECT_TRUE(listed(std::nullopt)); // no cutoff: no age rule

    // Counted from a moment: exactly one calendar month after the birth is not old yet.
    const QDateTime monthLater = birth.addMonths(1);
    if (monthLater.addMonths(-1) == birth) {
        EXPECT_EQ(MiscFileEngine::findFilesAsOf(home(), kArchives, monthLater).items.size(), 0);
        EXPECT_EQ(MiscFileEngine::findFilesAsOf(home(), kArchives, monthLater.addSecs(1)).items.size(), 1);
    }

    // A package folder is known by its own identity, not by what it holds.
    m_tree.file(u"Foo.pkg/a"_s, 100);
    const QString same = m_tree.file(u"Same.pkg/a"_s, 100);
    const QList<MiscFileItem> items = MiscFileEngine::findFiles(home(), kInstallers, everythingIsOld()).items;
    ASSERT_EQ(items.size(), 2);
    m_tree.file(u"Foo.pkg/new"_s, 9000);

    auto trash = std::make_shared<RecordingTrash>();
    Trash::setCurrent(trash);
    const TrashBatchResult result = MiscFileEngine::moveToTrash(items, kMisc);
    EXPECT_EQ(QSet<QString>(trash->requests().cbegin(), trash->requests().cend()),
              (QSet<QString>{parentPath(same), m_tree.path(u"Foo.pkg"_s)}));
    EXPECT_TRUE(result.failed.isEmpty());
}

// Between the scan and the clean one file grew (still the same file), one was replaced by
// another of the same size, one became a link to a listed file, one went: every engine that
// lists files moves only the first two, and says why for the rest.
TEST_F(Engines, ACleanMovesOnlyWhatIsStillAsScanned)
{
    SWEEPORA_SKIP_WITHOUT_BIRTH_TIMES(m_tree.file(u".probe"_s)); // the misc scan needs them
    using Clean = std::function<TrashBatchResult()>;
    const std::pair<QString, std::function<Clean()>> engines[] = {
        {u"[MiscFileCleanup]"_s,
         [&]() -> Clean {
             const auto items = MiscFileEngine::findFiles(home(), kMisc, std::nullopt).items;
             return [items] { return MiscFileEngine::moveToTrash(items, kMisc); };
         }},
        {u"[FileSearch]"_s,
         [&]() -> Clean {
             const auto items = FileSearchEngine::search(home(), u"keep"_s).items;
             return [items] { return FileSearchEngine::moveToTrash(items); };
         }},
    };
    for (const auto& [section, scan] : engines) {
        SCOPED_TRACE(section.toStdString());
        const QString same = m_tree.file(u"keep-same.log"_s, 100);
        const QString grown = m_tree.file(u"keep-grown.log"_s, 100);
        const QString replaced = m_tree.file(u"keep-replaced.log"_s, 100);
        const QString linked = m_tree.file(u"keep-linked.log"_s, 100);
        const QString gone = m_tree.file(u"keep-gone.log"_s, 100);
        const Clean clean = scan();
        m_tree.file(u"keep-grown.log"_s, 104); // the same inode, written again
        // The new file exists before the old one goes, so it cannot take the old inode.
        m_tree.file(u"replaced.new"_s, 100);
        ASSERT_TRUE(QFile::remove(replaced) && QFile::rename(m_tree.path(u"replaced.new"_s), replaced));
        ASSERT_TRUE(QFile::remove(linked));
        m_tree.symlink(u"keep-linked.log"_s, same);
        ASSERT_TRUE(QFile::remove(gone));

        const qsizetype logged = loggedLines().size();
        const TrashBatchResult result = clean();
        // A file that only grew is still the same file: its size is not part of its identity here.
        EXPECT_EQ(QSet<QString>(result.moved.cbegin(), result.moved.cend()), (QSet<QString>{same, grown}));
        QHash<QString, QString> errors;
        for (const TrashFailure& failure : result.failed) {
            errors.insert(failure.path, failure.error);
            EXPECT_TRUE(
                loggedLines().contains(section + u" 移到废纸篓失败："_s + failure.path + u"，"_s + failure.error));
        }
        EXPECT_EQ(errors, (QHash<QString, QString>{{replaced, TrashGateway::kReplaced},
                                                   {linked, TrashGateway::kBecameLink},
                                                   {gone, TrashGateway::kGone}}));
        EXPECT_EQ(loggedLines().size(), logged + 3);
        EXPECT_EQ(result.message, u"已移动 2 个文件，部分文件处理失败"_s);
        EXPECT_TRUE(QFileInfo::exists(replaced));
        EXPECT_TRUE(QFileInfo(linked).isSymLink()); // the link stays, and so does its target's namesake
        for (const QString& path : {replaced, linked})
            ASSERT_TRUE(QFile::remove(path));
    }
}

TEST_F(Engines, LargeFilesAreVisibleRegularFilesOutsidePackagesJudgedByAllocatedSizeInclusively)
{
    // Two gigabytes long, a few kilobytes on disk.
    const QString sparse = m_tree.sparseFile(u"disk.img"_s, qint64(2) << 30, 8192);
    const qint64 allocated = TreeBuilder::allocatedBytes(sparse);
    ASSERT_GT(allocated, 0);
    ASSERT_LT(allocated, qint64(1) << 20);
    const auto atThreshold = LargeFileEngine::findLargeFilesOfAtLeast(home(), allocated);
    ASSERT_EQ(names(atThreshold.items), QStringList{u"disk.img"_s});
    EXPECT_EQ(atThreshold.items[0].size, allocated);
    EXPECT_TRUE(LargeFileEngine::findLargeFilesOfAtLeast(home(), allocated + 1).items.isEmpty());
    // Its logical length passes the 1 GB threshold; what it occupies does not.
    EXPECT_TRUE(LargeFileEngine::findLargeFiles(home(), 1.0).items.isEmpty());

    // notes.app is a file that only looks like a package.
    const qint64 big = 64 * 1024;
    files({u"Movies/keep.mov"_s, u".hidden.mov"_s, u".cache/inside-hidden.bin"_s,
           u"Apps/Tool.app/Contents/payload.bin"_s, u"Apps/notes.app"_s},
          big);
    m_tree.symlink(u"link.mov"_s, m_tree.path(u"Movies/keep.mov"_s));
    m_tree.file(u"small.txt"_s, 10);
    files({u"x/B.mov"_s, u"y/z/A2.mov"_s, u"a.mov"_s}, 2 * big);
    m_tree.file(u"c.mov"_s, 3 * big);
    const auto report = LargeFileEngine::findLargeFilesOfAtLeast(home(), big);
    EXPECT_EQ(names(report.items),
              (QStringList{u"c.mov"_s, u"a.mov"_s, u"A2.mov"_s, u"B.mov"_s, u"keep.mov"_s, u"notes.app"_s}));
}

TEST_F(Engines, SearchHitsAreFilesNamedWithTheTrimmedQueryIgnoringCaseLargestFirst)
{
    m_tree.file(u"docs/annual-report.pdf"_s, 3000);
    m_tree.file(u"REPORTS.txt"_s, 2000);
    m_tree.file(u"r-e-p-o-r-t.txt"_s, 1000); // scattered letters are no match
    m_tree.file(u"rep*.txt"_s, 10);          // no wildcards either
    EXPECT_EQ(searched(u"Report"_s), (QStringList{u"docs/annual-report.pdf"_s, u"REPORTS.txt"_s}));
    EXPECT_EQ(searched(u"rep*"_s), QStringList{u"rep*.txt"_s});

    // The query is trimmed, and the extension is part of the name.
    files({u"a.pdf"_s, u"pdfless.txt"_s, u"年度报告.docx"_s});
    const FileSearchEngine::Report report = FileSearchEngine::search(home(), u" \t.pdf\n "_s);
    EXPECT_EQ(report.query, u".pdf"_s);
    ASSERT_EQ(report.items.size(), 2); // a.pdf and annual-report.pdf
    EXPECT_EQ(searched(u"报告"_s), QStringList{u"年度报告.docx"_s});
    EXPECT_TRUE(FileSearchEngine::search(home(), u"nothing-like-it"_s).items.isEmpty());
    EXPECT_TRUE(FileSearchEngine::search(home(), u"  \n"_s).items.isEmpty());

    // Folders, links, hidden entries and package contents are never hits.
    const QString hit = m_tree.file(u"plain/unique.txt"_s, 10);
    m_tree.folder(u"unique-folder"_s);
    m_tree.symlink(u"unique-link.txt"_s, hit);
    files({u".unique-hidden.txt"_s, u".hidden/unique.txt"_s, u"Unique.app/Contents/unique.txt"_s,
           u"Notes.rtfd/unique.txt"_s});
    EXPECT_EQ(searched(u"unique"_s), QStringList{u"plain/unique.txt"_s});

    // Sizes are what the files take on disk; larger first, then the name ignoring case.
    const QString sparse = m_tree.sparseFile(u"log-sparse"_s, 50'000'000, 16384);
    const QString big = m_tree.file(u"log-big"_s, 200'000);
    files({u"B.log"_s, u"a.log"_s}, 5000);
    const QList<FileSearchResult> items = FileSearchEngine::search(home(), u"log"_s).items;
    ASSERT_EQ(names(items), (QStringList{u"log-big"_s, u"log-sparse"_s, u"a.log"_s, u"B.log"_s}));
    EXPECT_EQ(items[0].size, TreeBuilder::allocatedBytes(big));
    EXPECT_EQ(items[1].size, TreeBuilder::allocatedBytes(sparse)); // not its 50 MB
}

TEST_F(Engines, EmptyFoldersAreVisibleFoldersWithNoEntryAtAllOutsidePackagesDeeperFirst)
{
    EXPECT_TRUE(emptyFolders().isEmpty());   // the home itself is never an item
    m_tree.folder(u"a/b/c"_s);               // only c is empty; b holds c
    m_tree.file(u"dsstore/.DS_Store"_s);     // a hidden file still counts
    m_tree.folder(u"holder/.hiddenEmpty"_s); // a hidden folder counts as well, but is never listed
    m_tree.file(u"full/file.txt"_s, 10);
    m_tree.file(u"zero/zero-length"_s);
    folders({u".cache/empty"_s, u"Tool.app/Contents/Resources/empty"_s, u"Empty.bundle"_s});
    const QString target = m_tree.folder(u"real/empty"_s);
    m_tree.symlink(u"link-to-empty"_s, target);
    m_tree.symlink(u"dangling"_s, home() + u"/nowhere"_s);
    // Deeper first (components, not characters), then the path ignoring case.
    folders({u"d1/d2/d3/d4/d5"_s, u"d1/d2/d3/Zeta"_s, u"d1/d2/d3/beta"_s, u"d1/d2/d3/Alpha"_s, u"top"_s,
             u"x/a-name-longer-than-any-of-the-deeper-paths-above"_s});
    EXPECT_EQ(emptyFolders(),
              (QStringList{u"d1/d2/d3/d4/d5"_s, u"d1/d2/d3/Alpha"_s, u"d1/d2/d3/beta"_s, u"d1/d2/d3/Zeta"_s, u"a/b/c"_s,
                           u"real/empty"_s, u"x/a-name-longer-than-any-of-the-deeper-paths-above"_s, u"top"_s}));
}

TEST_F(Engines, EmptyFoldersOutsideTheScopeAreNotFoundAMovedChildLeavesItsParentAndALargeFileCleanGoesOnPastARefusal)
{
    m_tree.folder(u"a/b"_s);
    const std::string raw = TreeBuilder::bytes(home()) + "/a/b/caf\xe9";
    ASSERT_EQ(::mkdir(raw.c_str(), 0700), 0);
    Sandbox::reset();
    EXPECT_TRUE(emptyFolders().isEmpty());
    Sandbox::openScope(home());
    QList<EmptyFolderItem> selection = EmptyFolderEngine::findEmptyFolders(home()).items;
    ASSERT_EQ(selection.size(), 1);
    EXPECT_EQ(bytesFromPath(selection[0].path).toStdString(), raw);

    selection[0].selected = true;
    const TrashBatchResult result = EmptyFolderEngine::moveToTrash(selection);
    EXPECT_EQ(result.moved, QStringList{selection[0].path});
    EXPECT_EQ(result.message, u"已将 1 个空文件夹移到废纸篓"_s);
    EXPECT_FALSE(QFileInfo::exists(selection[0].path));
    EXPECT_EQ(emptyFolders(), QStringList{u"a/b"_s}) << "a new scan finds the parent";

    // A large-file clean goes on past what the Trash refused.
    const QStringList paths{m_tree.file(u"a.mov"_s, 10), m_tree.file(u"b.mov"_s, 10), m_tree.file(u"c.mov"_s, 10)};
    const QList<LargeFileItem> items = LargeFileEngine::findLargeFilesOfAtLeast(home(), 1).items;
    ASSERT_EQ(items.size(), 3);
    auto trash = std::make_shared<FailingTrash>(std::make_shared<RecordingTrash>());
    trash->failPath(paths[1], u"磁盘已满"_s);
    Trash::setCurrent(trash);

    const TrashBatchResult partial = LargeFileEngine::moveToTrash(items);
    EXPECT_EQ(trash->attempted(), paths); // one by one, in list order, going on after the failure
    EXPECT_EQ(partial.moved, (QStringList{paths[0], paths[2]}));
    EXPECT_EQ(partial.failed.size(), 1) << "the one failure is the logged line below";
    EXPECT_EQ(partial.message, u"已移动 2 个文件，部分文件处理失败"_s);
    EXPECT_EQ(loggedLines(), QStringList{u"[LargeFile] 移到废纸篓失败："_s + paths[1] + u"，磁盘已满"_s});

    const TrashBatchResult full = LargeFileEngine::moveToTrash({items[0]});
    EXPECT_EQ(full.message, u"已将 1 个文件移到废纸篓"_s);
    EXPECT_TRUE(full.failed.isEmpty());
}

TEST_F(Engines, AnEmptyFolderThatGainedAnEntryOrWasReplacedStaysAndIsReportedWhileTheRestMove)
{
    folders({u"moves"_s, u"gains"_s, u"becomes-link"_s, u"becomes-other"_s});
    const QString target = m_tree.folder(u"elsewhere/target"_s);
    m_tree.file(u"elsewhere/keep"_s);
    QList<EmptyFolderItem> items = EmptyFolderEngine::findEmptyFolders(home()).items;
    ASSERT_EQ(items.size(), 5);
    items.removeIf([](const EmptyFolderItem& item) { return item.path.endsWith(u"target"_s); });

    m_tree.file(u"gains/.DS_Store"_s); // even a hidden entry makes it not empty
    // An empty folder swapped for a link to an empty folder, and one for a new empty folder.
    ASSERT_TRUE(QDir().rmdir(m_tree.path(u"becomes-link"_s)));
    m_tree.symlink(u"becomes-link"_s, target);
    ASSERT_TRUE(QDir().mkdir(m_tree.path(u"becomes-other.new"_s)));
    ASSERT_TRUE(QDir().rmdir(m_tree.path(u"becomes-other"_s)));
    ASSERT_TRUE(QDir().rename(m_tree.path(u"becomes-other.new"_s), m_tree.path(u"becomes-other"_s)));

    const TrashBatchResult result = EmptyFolderEngine::moveToTrash(items);
    EXPECT_EQ(result.moved, QStringList{m_tree.path(u"moves"_s)});
    QHash<QString, QString> errors;
    for (const TrashFailure& failure : result.failed)
        errors.insert(QFileInfo(failure.path).fileName(), failure.error);
    ASSERT_EQ(errors.size(), 3);
    EXPECT_EQ(errors.value(u"gains"_s), EmptyFolderEngine::kNoLongerEmpty);
    EXPECT_EQ(result.message, u"已移动 1 个文件夹，部分目录已非空或处理失败"_s);
    EXPECT_TRUE(QFileInfo::exists(m_tree.path(u"gains/.DS_Store"_s)));
    EXPECT_TRUE(QFileInfo(m_tree.path(u"becomes-link"_s)).isSymLink());
    EXPECT_TRUE(QFileInfo(target).isDir());
    ASSERT_EQ(loggedLines().size(), 3);
    for (const TrashFailure& failure : result.failed)
        EXPECT_TRUE(loggedLines().contains(u"[EmptyFolderCleanup] 移到废纸篓失败："_s + failure.path + u"，"_s +
                                           failure.error));
}

TEST_F(Engines, StorageSizesCountHiddenFilesAndPackageContentsButNoLinksRankedByAllocatedSizeThenName)
{
    QTemporaryDir outsideDir;
    const QString outside = TreeBuilder(outsideDir.path()).file(u"outside/huge"_s, 300000);
    const qint64 inFolder = TreeBuilder::allocatedBytes(m_tree.file(u"docs/a"_s, 40000)) +
                            TreeBuilder::allocatedBytes(m_tree.file(u"docs/.hidden"_s, 8000)) +
                            TreeBuilder::allocatedBytes(m_tree.file(u"docs/.cache/deep/b"_s, 4000));
    m_tree.symlink(u"docs/link"_s, outside);
    m_tree.symlink(u"docs/linkdir"_s, QFileInfo(outside).path());
    const qint64 inPackage = TreeBuilder::allocatedBytes(m_tree.file(u"Tool.app/Contents/MacOS/tool"_s, 12000));
    m_tree.folder(u"empty"_s);
    // A 64 MB file that holds 4 KB of data takes less room than a plain 64 KB one.
    m_tree.sparseFile(u"sparse.img"_s, 64 << 20, 4096);
    const qint64 plain = TreeBuilder::allocatedBytes(m_tree.file(u"plain.dat"_s, 64 << 10));
    m_tree.file(u"beta"_s, 20000);
    m_tree.file(u"Alpha"_s, 20000);
    if (TreeBuilder::allocatedBytes(m_tree.path(u"sparse.img"_s)) >= plain)
        GTEST_SKIP() << "this file system stores no holes";
    ASSERT_EQ(TreeBuilder::allocatedBytes(m_tree.path(u"beta"_s)),
              TreeBuilder::allocatedBytes(m_tree.path(u"Alpha"_s)));

    const QList<StorageEntry> entries = StorageEngine::listDirectory(home());
    ASSERT_EQ(names(entries), (QStringList{u"plain.dat"_s, u"docs"_s, u"Alpha"_s, u"beta"_s, u"Tool.app"_s,
                                           u"sparse.img"_s, u"empty"_s}));
    EXPECT_TRUE(entries[1].isDirectory && entries[4].isDirectory && !entries[5].isDirectory && entries[6].isDirectory);
    EXPECT_EQ(entries[1].size, inFolder);
    EXPECT_EQ(entries[4].size, inPackage);
    EXPECT_EQ(entries[5].size, TreeBuilder::allocatedBytes(m_tree.path(u"sparse.img"_s)));
    EXPECT_EQ(entries[6].size, 0);
}

TEST_F(Engines, StorageOfHiddenChildrenLinksAndUnlistableFoldersIsNothingAndManyChildrenSizeInOneWalk)
{
    m_tree.file(u".profile"_s, 5000);
    m_tree.file(u".config/app/settings"_s, 5000);
    m_tree.symlink(u"to-config"_s, m_tree.path(u".config"_s));
    m_tree.symlink(u"dangling"_s, m_tree.path(u"nowhere"_s));
    EXPECT_TRUE(StorageEngine::listDirectory(home()).isEmpty());
    EXPECT_TRUE(StorageEngine::listDirectory(m_tree.path(u"missing"_s)).isEmpty());
    // Outside every open scope the sandbox answers with nothing, as for an unreadable folder.
    QTemporaryDir outside;
    TreeBuilder(outside.path()).file(u"elsewhere/file"_s, 1000);
    EXPECT_TRUE(StorageEngine::listDirectory(outside.path() + u"/elsewhere"_s).isEmpty());
    EXPECT_TRUE(StorageEngine::listDirectory(m_tree.file(u"f"_s, 10)).isEmpty()); // a file is not a folder
    // The controls: the same places list once they hold something visible or are in scope.
    m_tree.file(u"visible"_s, 10);
    EXPECT_EQ(names(StorageEngine::listDirectory(home())), (QStringList{u"f"_s, u"visible"_s}));
    Sandbox::openScope(outside.path());
    EXPECT_EQ(names(StorageEngine::listDirectory(outside.path() + u"/elsewhere"_s)), QStringList{u"file"_s});

    qint64 expected[40] = {};
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j <= i % 5; ++j)
            expected[i] +=
                TreeBuilder::allocatedBytes(m_tree.file(u"many/d%1/sub%2/f"_s.arg(i).arg(j), 1000 * (i + 1)));
    const QList<StorageEntry> entries = StorageEngine::listDirectory(m_tree.path(u"many"_s));
    ASSERT_EQ(entries.size(), 40);
    for (const StorageEntry& e : entries)
        EXPECT_EQ(e.size, expected[QFileInfo(e.path).fileName().mid(1).toInt()]) << e.path.toStdString();
}

// One walk of the home feeds the misc scans and the empty-folder scan of a quick cleanup.
using SharedWalk = Engines;

TEST_F(SharedWalk, EachScanGetsWhatItFindsAloneAgeRulesStayPerScanAndAnUnstartedOrCancelledWalkStillAnswers)
{
    // Something for every scan (build.log.zip is an archive, not a log), and what each must pass over.
    files({u"Library/Logs/app.log"_s, u"work/Cache.DB"_s, u"work/build.log.zip"_s, u"Downloads/photos.ZIP"_s,
           u"Downloads/disk.iso"_s, u"Downloads/Setup.pkg/Contents/payload"_s},
          3000);
    files({u".hidden/app.log"_s, u"Tool.app/Contents/run.log"_s}, 100);
    folders({u"empty/one"_s, u"nested/deeper/two"_s, u".hidden/empty"_s, u"Tool.app/Contents/empty"_s});
    m_tree.symlink(u"linked.log"_s, u"Library/Logs/app.log"_s);
    const auto withSizes = [](const QList<MiscFileItem>& items) {
        QStringList paths;
        for (const MiscFileItem& i : items)
            paths.append(i.path + u' ' + QString::number(i.size));
        return paths;
    };

    const std::optional<QDateTime> noAgeRule;
    SharedHomeWalk walk(home());
    QFuture<MiscFileEngine::Report> misc = walk.addFileScan(kMisc, noAgeRule);
    QFuture<MiscFileEngine::Report> archives = walk.addFileScan(kArchives, noAgeRule);
    QFuture<MiscFileEngine::Report> installers = walk.addFileScan(kInstallers, noAgeRule);
    QFuture<EmptyFolderEngine::Report> empty = walk.addEmptyFolderScan();
    EXPECT_EQ(walk.scanCount(), 4);
    walk.start();
    walk.start(); // a second start walks no second time

    for (auto [future, category] :
         {std::pair{misc, kMisc}, std::pair{archives, kArchives}, std::pair{installers, kInstallers}}) {
        const MiscFileEngine::Report alone = MiscFileEngine::findFiles(home(), category, noAgeRule);
        const MiscFileEngine::Report shared = future.result();
        EXPECT_FALSE(alone.items.isEmpty()) << "the tree has something for every scan";
        EXPECT_EQ(withSizes(shared.items), withSizes(alone.items)) << static_cast<int>(category);
    }
    EXPECT_EQ(relative(empty.result().items), (QStringList{u"nested/deeper/two"_s, u"empty/one"_s}));

    // A cutoff in the distant past keeps no archive, while the miscellaneous scan on the same
    // agedWalk, which has no age rule, still lists its files.
    const std::optional<QDateTime> longAgo = QDateTime::fromMSecsSinceEpoch(0);
    SharedHomeWalk agedWalk(home());
    QFuture<MiscFileEngine::Report> agedArchives = agedWalk.addFileScan(kArchives, longAgo);
    QFuture<MiscFileEngine::Report> agedMisc = agedWalk.addFileScan(kMisc, longAgo);
    agedWalk.run();
    ASSERT_TRUE(agedArchives.isFinished() && agedMisc.isFinished());
    EXPECT_TRUE(agedArchives.result().items.isEmpty());
    EXPECT_EQ(agedMisc.result().items.size(), MiscFileEngine::findFiles(home(), kMisc, longAgo).items.size());
    EXPECT_FALSE(agedMisc.result().items.isEmpty());

    QFuture<EmptyFolderEngine::Report> unstartedEmpty;
    {
        SharedHomeWalk unstarted(home());
        unstartedEmpty = unstarted.addEmptyFolderScan();
    }
    unstartedEmpty.waitForFinished();
    ASSERT_EQ(unstartedEmpty.resultCount(), 1);
    EXPECT_EQ(unstartedEmpty.result().items.size(), 2);

    Sandbox::reset();
    SharedHomeWalk outside(home());
    agedMisc = outside.addFileScan(kMisc, std::nullopt);
    QFuture<EmptyFolderEngine::Report> none = outside.addEmptyFolderScan();
    outside.run();
    EXPECT_TRUE(agedMisc.result().items.isEmpty());
    EXPECT_TRUE(none.result().items.isEmpty());

    // A cancel stops every scan on the agedWalk, and each still answers.
    Sandbox::openScope(home());
    SharedHomeWalk cancelled(home());
    QFuture<MiscFileEngine::Report> stopped = cancelled.addFileScan(kMisc, std::nullopt);
    QFuture<EmptyFolderEngine::Report> stoppedEmpty = cancelled.addEmptyFolderScan();
    cancelled.progress()->cancel();
    cancelled.run();
    EXPECT_TRUE(stopped.result().items.isEmpty());
    EXPECT_TRUE(stoppedEmpty.result().items.isEmpty());
    EXPECT_EQ(cancelled.progress()->folders(), 1) << "only the home folder was listed";
}
