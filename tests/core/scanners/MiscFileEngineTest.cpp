#include "scanners/MiscFileEngine.h"
#include "platform/Log.h"
#include "platform/Sandbox.h"
#include "support/ScopedTreeFixture.h"
#include "support/TrashFakes.h"
#include "trash/Trash.h"
#include "trash/TrashGateway.h"
#include "util/NameOrder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Sweepora::Core;
using Sweepora::Test::RecordingTrash;
using Sweepora::Test::ScopedTreeFixture;
using Sweepora::Test::TreeBuilder;

namespace {

constexpr MiscFileCategory kMisc = MiscFileCategory::Miscellaneous;
constexpr MiscFileCategory kArchives = MiscFileCategory::Archives;
constexpr MiscFileCategory kInstallers = MiscFileCategory::Installers;

std::optional<qint64> birthMSecs(const QString& path)
{
    struct statx sx;
    if (::statx(AT_FDCWD, TreeBuilder::bytes(path).c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) != 0 ||
        !(sx.stx_mask & STATX_BTIME))
        return std::nullopt;
    return qint64(sx.stx_btime.tv_sec) * 1000 + sx.stx_btime.tv_nsec / 1'000'000;
}

QStringList names(const QList<MiscFileItem>& items)
{
    QStringList n;
    for (const MiscFileItem& i : items)
        n.append(i.path.section(QLatin1Char('/'), -1));
    return n;
}

QDateTime local(int y, int m, int d, int h = 12, int min = 0, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}

class MiscFiles : public ScopedTreeFixture
{
protected:
    // Far enough ahead that everything made by the test is older than the cutoff.
    static std::optional<QDateTime> everythingIsOld() { return QDateTime::currentDateTime().addMonths(2); }
    bool birthTimesRecorded() { return birthMSecs(m_tree.file(QStringLiteral(".probe"))).has_value(); }
};

} // namespace

TEST(MiscFileNames, MiscNamesHoldLogOrCacheAsAWholeWordAndOthersGoByTheirLastExtension)
{
    struct Case
    {
        const char* name;
        bool misc, archive, installer;
    };
    const Case cases[] = {
        {"catalog.json", false, false, false},
        {"debug.LOG", true, false, false},
        {"MyCache.bin", true, false, false},
        {"logs.zip", false, true, false},
        {"cache.dmg", false, false, true},
        {"x.tar.gz", false, true, false},
        {"x.TGZ", false, true, false},
        {"backup.tar.bz2", false, true, false},
        {"Setup.PKG", false, false, true},
        {"disk.iso", false, false, true},
        {"notes.txt", false, false, false},
        {"x.zip.log", true, false, false},
        {"zip", false, false, false},
        {"a.7z", false, true, false},
        {"x.tbz2", false, true, false},
        {"Änderungs-Log.txt", true, false, false},
        {"Ä-CACHE.json", true, false, false},
        {"caché.json", false, false, false},
        // "log", "logs", "cache" or "caches" must be a whole word: split at every character that
        // is not a letter or digit, from lower to upper case, and between letters and digits.
        {"app.log", true, false, false},
        {"error_log.txt", true, false, false},
        {"app.log.1", true, false, false},
        {"npm-cache.tmp", true, false, false},
        {"myLogFile.txt", true, false, false},
        {"Logs2024.txt", true, false, false},
        {"CACHES", true, false, false},
        {"blog.md", false, false, false},
        {"blog.txt", false, false, false},
        {"LoginDialog.txt", false, false, false},
        {"CHANGELOG", false, false, false},
        {"CHANGELOG.md", false, false, false},
        {"blog草稿.txt", false, false, false},
        {"Apology letter.docx", false, false, false},
        {"产品Catalog_2026.txt", false, false, false},
        // Documents, code, media and databases are never junk, whatever their name says.
        {"cache_manager.py", false, false, false},
        {"cache.sqlite", false, false, false},
        {"log.CPP", false, false, false},
        {"Logs.pdf", false, false, false},
        {"cache.PNG", false, false, false},
        {"log.mp4", false, false, false},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromUtf8(c.name);
        const std::string bytes = name.toStdString();
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MiscFileEngine::matchesName(kMisc, name), c.misc);
        EXPECT_EQ(MiscFileEngine::matchesName(kArchives, name), c.archive);
        EXPECT_EQ(MiscFileEngine::matchesName(kInstallers, name), c.installer);
        // The walk asks with the raw bytes; both ways must agree.
        EXPECT_EQ(MiscFileEngine::matchesName(kMisc, std::string_view(bytes)), c.misc);
        EXPECT_EQ(MiscFileEngine::matchesName(kArchives, std::string_view(bytes)), c.archive);
        EXPECT_EQ(MiscFileEngine::matchesName(kInstallers, std::string_view(bytes)), c.installer);
    }
    // Invalid UTF-8 does not stop a match on the ASCII part.
    EXPECT_TRUE(MiscFileEngine::matchesName(kMisc, std::string_view("\xff\xfe-debug.log")));
}

TEST(MiscFileDates, CutoffIsOneCalendarMonthBackAndAgesUseWholeCalendarUnits)
{
    EXPECT_EQ(MiscFileEngine::cutoffFor(local(2027, 3, 31)), local(2027, 2, 28));
    EXPECT_EQ(MiscFileEngine::cutoffFor(local(2028, 3, 31)), local(2028, 2, 29));
    EXPECT_EQ(MiscFileEngine::cutoffFor(local(2027, 1, 15, 8, 30, 5)), local(2026, 12, 15, 8, 30, 5));
    EXPECT_FALSE(MiscFileEngine::cutoffFor(QDateTime()).has_value());

    // Ages use the largest whole calendar unit.
    const QDateTime now = local(2026, 12, 6, 22, 0);
    EXPECT_EQ(MiscFileEngine::ageText(now.addMonths(-13), now), QStringLiteral("1年前"));
    EXPECT_EQ(MiscFileEngine::ageText(now.addMonths(-2).addDays(-5), now), QStringLiteral("2个月前"));
    EXPECT_EQ(MiscFileEngine::ageText(now.addSecs(-3600), now), QStringLiteral("1天前"));
    EXPECT_EQ(MiscFileEngine::ageText(now.addMonths(-12), now), QStringLiteral("1年前"));
    EXPECT_EQ(MiscFileEngine::ageText(now.addMonths(-12).addSecs(1), now), QStringLiteral("11个月前"));
    // A birth time ahead of the clock still reads as a day.
    EXPECT_EQ(MiscFileEngine::ageText(now.addDays(3), now), QStringLiteral("1天前"));
    EXPECT_EQ(MiscFileEngine::creationText(local(2024, 3, 5)), QStringLiteral("创建于 2024年3月5日"));
    // The end of a short month: 31 January to 1 March is one month and a day.
    EXPECT_EQ(MiscFileEngine::ageText(local(2027, 1, 31), local(2027, 3, 1)), QStringLiteral("1个月前"));
}

TEST_F(MiscFiles, EachCategoryListsItsVisibleFilesOutsidePackagesAndInstallersIncludePackageFolders)
{
    if (!birthTimesRecorded())
        GTEST_SKIP() << "this file system records no birth times";
    // Junk beside files whose names only contain "log" or "cache", or that hold the user's work.
    m_tree.file(QStringLiteral("catalog.json"), 3000);
    m_tree.file(QStringLiteral("error_log.txt"), 3000);
    m_tree.file(QStringLiteral("a/debug.LOG"), 9000);
    m_tree.file(QStringLiteral("a/b/npm-cache.tmp"), 100);
    m_tree.file(QStringLiteral("a/b/CHANGELOG.md"), 100);
    m_tree.file(QStringLiteral("a/b/cache.sqlite"), 100);
    m_tree.file(QStringLiteral("a/LoginDialog.cpp"), 100);
    m_tree.file(QStringLiteral("logs.zip"), 100);
    m_tree.file(QStringLiteral("cache.dmg"), 100);
    m_tree.file(QStringLiteral("logs/readme.txt"), 10); // the folder matches by name only
    m_tree.file(QStringLiteral(".hidden.log"), 10);
    m_tree.file(QStringLiteral(".config/app.log"), 10);
    m_tree.file(QStringLiteral("Tool.app/Contents/run.log"), 10);
    m_tree.symlink(QStringLiteral("link.log"), m_tree.path(QStringLiteral("catalog.json")));

    // The age rule never applies to this category, whatever the cutoff.
    const MiscFileEngine::Report report = MiscFileEngine::findFiles(home(), kMisc, QDateTime::fromSecsSinceEpoch(0));
    EXPECT_EQ(names(report.items), (QStringList{QStringLiteral("debug.LOG"), QStringLiteral("error_log.txt"),
                                                QStringLiteral("npm-cache.tmp")}));
    EXPECT_EQ(report.message, QStringLiteral("发现 3 个闲杂文件"));
    for (const MiscFileItem& item : report.items) {
        EXPECT_FALSE(item.selected);
        EXPECT_EQ(item.size, TreeBuilder::allocatedBytes(item.path));
        EXPECT_EQ(item.creationDate.toMSecsSinceEpoch(), birthMSecs(item.path));
    }

    // Archives and installers, package folders included, on the same tree.
    m_tree.file(QStringLiteral("x.tar.gz"), 5000);
    m_tree.file(QStringLiteral("d/x.TGZ"), 100);
    m_tree.file(QStringLiteral("Tool.app/bundled.zip"), 100);
    m_tree.file(QStringLiteral(".old/hidden.zip"), 100);
    m_tree.folder(QStringLiteral("folder.zip"));
    m_tree.folder(QStringLiteral("Disk.dmg/inner"));
    const QString a = m_tree.file(QStringLiteral("Foo.pkg/Contents/a"), 20000);
    const QString b = m_tree.file(QStringLiteral("Foo.pkg/Contents/sub/b"), 7000);
    m_tree.file(QStringLiteral("Foo.pkg/.hidden"), 50000);
    m_tree.file(QStringLiteral("Foo.pkg/Contents/Plugin.bundle/c"), 50000);
    m_tree.symlink(QStringLiteral("Foo.pkg/Contents/l"), m_tree.path(QStringLiteral("x.tar.gz")));

    const MiscFileEngine::Report archives = MiscFileEngine::findFiles(home(), kArchives, everythingIsOld());
    EXPECT_EQ(names(archives.items),
              (QStringList{QStringLiteral("x.tar.gz"), QStringLiteral("logs.zip"), QStringLiteral("x.TGZ")}));

    const MiscFileEngine::Report installers = MiscFileEngine::findFiles(home(), kInstallers, everythingIsOld());
    ASSERT_EQ(names(installers.items), (QStringList{QStringLiteral("Foo.pkg"), QStringLiteral("cache.dmg")}));
    EXPECT_TRUE(installers.items[0].isDirectory);
    EXPECT_EQ(installers.items[0].size, TreeBuilder::allocatedBytes(a) + TreeBuilder::allocatedBytes(b));
    EXPECT_EQ(installers.message, QStringLiteral("发现 2 个安装包"));
}

TEST_F(MiscFiles, OnlyItemsBornStrictlyBeforeTheCutoffAreOld)
{
    const QString zip = m_tree.file(QStringLiteral("a.zip"), 10);
    const std::optional<qint64> born = birthMSecs(zip);
    if (!born)
        GTEST_SKIP() << "this file system records no birth times";
    const QDateTime birth = QDateTime::fromMSecsSinceEpoch(*born);
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
    EXPECT_EQ(MiscFileEngine::findFilesAsOf(home(), kArchives, birth).message,
              QStringLiteral("没有发现一个月以前的压缩包"));
}

TEST_F(MiscFiles, CleanMovesOnlyWhatIsStillAsScanned)
{
    if (!birthTimesRecorded())
        GTEST_SKIP() << "this file system records no birth times";
    const QString kept = m_tree.file(QStringLiteral("kept.log"), 100);
    const QString grown = m_tree.file(QStringLiteral("grown.log"), 100);
    const QString replaced = m_tree.file(QStringLiteral("replaced.log"), 100);
    const QString linked = m_tree.file(QStringLiteral("linked.log"), 100);
    const QString gone = m_tree.file(QStringLiteral("gone.log"), 100);
    const QList<MiscFileItem> items = MiscFileEngine::findFiles(home(), kMisc, std::nullopt).items;
    ASSERT_EQ(items.size(), 5);

    QFile f(grown);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("more");
    f.close();
    // The new file exists before the old one goes, so it cannot take the old inode.
    m_tree.file(QStringLiteral("replaced.new"), 100);
    ASSERT_TRUE(QFile::remove(replaced));
    ASSERT_TRUE(QFile::rename(m_tree.path(QStringLiteral("replaced.new")), replaced));
    ASSERT_TRUE(QFile::remove(linked));
    m_tree.symlink(QStringLiteral("linked.log"), kept);
    ASSERT_TRUE(QFile::remove(gone));

    auto trash = std::make_shared<RecordingTrash>();
    Trash::setCurrent(trash);
    const TrashBatchResult result = MiscFileEngine::moveToTrash(items, MiscFileCategory::Miscellaneous);
    // A log still being written is the same file: its size is not part of its identity here.
    EXPECT_EQ(QSet<QString>(trash->requests().cbegin(), trash->requests().cend()), (QSet<QString>{kept, grown}));
    QHash<QString, QString> errors;
    for (const TrashFailure& failure : result.failed) {
        errors.insert(failure.path, failure.error);
        EXPECT_TRUE(loggedLines().contains(QStringLiteral("[MiscFileCleanup] 移到废纸篓失败：") + failure.path +
                                           QStringLiteral("，") + failure.error));
    }
    EXPECT_EQ(errors, (QHash<QString, QString>{{replaced, TrashGateway::kReplaced},
                                               {linked, TrashGateway::kBecameLink},
                                               {gone, TrashGateway::kGone}}));
    EXPECT_EQ(result.message, QStringLiteral("已移动 2 个文件，部分文件处理失败"));
}

TEST_F(MiscFiles, APackageFolderIsKnownByItsOwnIdentityNotByWhatItHolds)
{
    if (!birthTimesRecorded())
        GTEST_SKIP() << "this file system records no birth times";
    m_tree.file(QStringLiteral("Foo.pkg/a"), 100);
    const QString same = m_tree.file(QStringLiteral("Same.pkg/a"), 100);
    const QList<MiscFileItem> items = MiscFileEngine::findFiles(home(), kInstallers, everythingIsOld()).items;
    ASSERT_EQ(items.size(), 2);
    m_tree.file(QStringLiteral("Foo.pkg/new"), 9000);

    auto trash = std::make_shared<RecordingTrash>();
    Trash::setCurrent(trash);
    const TrashBatchResult result = MiscFileEngine::moveToTrash(items, MiscFileCategory::Miscellaneous);
    EXPECT_EQ(QSet<QString>(trash->requests().cbegin(), trash->requests().cend()),
              (QSet<QString>{Sweepora::Core::parentPath(same), m_tree.path(QStringLiteral("Foo.pkg"))}));
    EXPECT_TRUE(result.failed.isEmpty());
}
