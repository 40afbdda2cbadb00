// Attacks on the way from a scan to the Trash: a folder on the item's path swapped for a link
// or for another folder after the scan, a flip while a batch runs, a reused inode, a Trash
// inside the scanned tree, protected places. Nothing outside the scope may ever move.
#include "trash/TrashGateway.h"
#include "apps/ApplicationCacheEngine.h"
#include "apps/ApplicationUninstallEngine.h"
#include "fs/ResolveBeneath.h"
#include "platform/PathBytes.h"
#include "platform/PlatformLayout.h"
#include "platform/Sandbox.h"
#include "platform/Settings.h"
#include "rules/RuleScanEngine.h"
#include "scanners/EmptyFolderEngine.h"
#include "scanners/FileSearchEngine.h"
#include "scanners/LargeFileEngine.h"
#include "scanners/MiscFileEngine.h"
#include "scanners/StorageEngine.h"
#include "support/BundleBuilder.h"
#include "support/ScopedTreeFixture.h"
#include "support/TrashFakes.h"
#include "trash/ProtectedPlaces.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

// Every section's scan of one listed item in `folder`, and its clean of what it listed.
struct Section
{
    const char* name;
    QString folder; // relative to the home: the folder swapped after the scan
    std::function<void(TreeBuilder&)> build;
    std::function<std::function<TrashBatchResult()>(const QString& home)> scan;
};

void logFile(TreeBuilder& tree)
{
    tree.file(QStringLiteral("dir/target.log"), 3000);
}

QList<Section> sections()
{
    return {
        {"large", QStringLiteral("dir"), logFile,
         [](const QString& home) {
             const auto items = LargeFileEngine::findLargeFilesOfAtLeast(home, 1).items;
             return [items] { return LargeFileEngine::moveToTrash(items); };
         }},
        {"misc", QStringLiteral("dir"), logFile,
         [](const QString& home) {
             const auto items = MiscFileEngine::findFiles(home, MiscFileCategory::Miscellaneous, std::nullopt).items;
             return [items] { return MiscFileEngine::moveToTrash(items, MiscFileCategory::Miscellaneous); };
         }},
        {"search", QStringLiteral("dir"), logFile,
         [](const QString& home) {
             const auto items = FileSearchEngine::search(home, QStringLiteral("target")).items;
             return [items] { return FileSearchEngine::moveToTrash(items); };
         }},
        {"empty", QStringLiteral("dir"), [](TreeBuilder& tree) { tree.folder(QStringLiteral("dir/empty")); },
         [](const QString& home) {
             const auto items = EmptyFolderEngine::findEmptyFolders(home).items;
             return [items] { return EmptyFolderEngine::moveToTrash(items); };
         }},
        {"storage", QStringLiteral("dir"), logFile,
         [](const QString& home) {
             const auto entries = StorageEngine::listDirectory(home + QStringLiteral("/dir"));
             return [entries] { return StorageEngine::moveToTrash(entries); };
         }},
        {"rules", QStringLiteral("dir"), logFile,
         [](const QString& home) {
             CleanupRule rule;
             rule.name = QStringLiteral("r");
             rule.packName = QStringLiteral("p");
             rule.paths = {QStringLiteral("USERFOLDER/dir")};
             const auto result = RuleScanEngine::scanRule(rule, home);
             return [result] {
                 const auto outcome =
                     RuleScanEngine::clean(result ? QList<CleanupResult>{*result} : QList<CleanupResult>{});
                 TrashBatchResult r{outcome.moved, {}, outcome.message};
                 for (const auto& [path, error] : outcome.failed)
                     r.failed.append({path, error});
                 return r;
             };
         }},
        {"app-caches", QStringLiteral("Library/Caches"),
         [](TreeBuilder& tree) { tree.file(QStringLiteral("Library/Caches/com.foo/precious.db"), 3000); },
         [](const QString& home) {
             const ApplicationCacheTarget target{QStringLiteral("com.foo"),
                                                 QStringLiteral("Foo"),
                                                 QStringLiteral("com.foo"),
                                                 {home + QStringLiteral("/Library/Caches/com.foo")}};
             const auto results = ApplicationCacheEngine::scanTargets({target}, {});
             return [results] {
                 const auto outcome = ApplicationCacheEngine::clean(results);
                 return TrashBatchResult{outcome.moved, outcome.failed, outcome.message};
             };
         }},
        {"apps", QStringLiteral("Library/Caches"),
         [](TreeBuilder& tree) { tree.file(QStringLiteral("Library/Caches/com.foo/data.bin"), 3000); },
         [](const QString& home) {
             BundleBuilder::make(home + QStringLiteral("/Applications/Foo.app"),
                                 BundleBuilder::xml(QStringLiteral("com.foo")));
             const auto apps =
                 ApplicationUninstallEngine::listApplications({home + QStringLiteral("/Applications")}, home);
             QList<TrashItem> work =
                 apps.isEmpty() ? QList<TrashItem>() : ApplicationUninstallEngine::workList(apps[0]);
             if (!work.isEmpty())
                 work.removeFirst(); // the bundle itself is not what this case swaps
             return [work] {
                 const auto outcome = ApplicationUninstallEngine::moveToTrash(work, {});
                 return TrashBatchResult{outcome.movedPaths, outcome.failures, outcome.message};
             };
         }},
    };
}

enum class Swap { LinkOutside, LinkInside, Replace };

class Gateway : public ScopedTreeFixture
{
protected:
    QTemporaryDir m_outsideDir;
    TreeBuilder m_outside{m_outsideDir.path()};

    // Puts a folder (or a link to one) in the place of `relative` that holds the same names.
    void swap(const QString& relative, Swap how, const std::function<void(TreeBuilder&)>& build)
    {
        const QString place = m_tree.path(relative);
        ASSERT_TRUE(QDir().rename(place, place + QStringLiteral(".scanned")));
        if (how == Swap::Replace) {
            TreeBuilder other(m_tree.path(QStringLiteral("other")));
            build(other);
            ASSERT_TRUE(QDir().rename(other.path(relative), place));
            return;
        }
        TreeBuilder documents(m_tree.path(QStringLiteral("Documents")));
        TreeBuilder& target = how == Swap::LinkOutside ? m_outside : documents;
        build(target);
        m_tree.symlink(relative, target.path(relative));
    }

    // Every file below `root`, relative, for comparing before and after.
    static QStringList filesBelow(const QString& root)
    {
        QStringList files;
        QDir dir(root);
        for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            if (info.isDir() && !info.isSymLink())
                for (const QString& below : filesBelow(info.filePath()))
                    files.append(info.fileName() + QLatin1Char('/') + below);
            else
                files.append(info.fileName());
        }
        return files;
    }
};

} // namespace

TEST_F(Gateway, AFolderSwappedAfterTheScanKeepsEveryItemInPlaceInEverySection)
{
    if (!TreeBuilder::birthTimeRecorded(m_dir.path()))
        GTEST_SKIP() << "this file system records no birth times (the misc section needs them)";
    for (const Section& section : sections()) {
        for (const Swap how : {Swap::LinkOutside, Swap::LinkInside, Swap::Replace}) {
            SCOPED_TRACE(std::string(section.name) + " swap " + std::to_string(int(how)));
            ASSERT_TRUE(TreeBuilder::removeTree(TreeBuilder::bytes(m_tree.root())) && QDir().mkpath(m_tree.root()));
            ASSERT_TRUE(TreeBuilder::removeTree(TreeBuilder::bytes(m_outside.root())) &&
                        QDir().mkpath(m_outside.root()));
            // A scope holds its folder's descriptor: the new folder needs a new one.
            Sandbox::reset();
            Sandbox::openScope(m_tree.root());
            section.build(m_tree);
            const auto clean = section.scan(m_tree.root());
            swap(section.folder, how, section.build);
            const QStringList outsideBefore = filesBelow(m_outside.root());
            const QStringList insideBefore = filesBelow(m_tree.root());

            const TrashBatchResult result = clean();
            EXPECT_TRUE(result.moved.isEmpty()) << result.moved.join(u' ').toStdString();
            ASSERT_FALSE(result.failed.isEmpty()) << "a refusal is reported, not silent";
            const QString expected = how == Swap::Replace ? TrashGateway::kFolderReplaced : TrashGateway::kLinkOnTheWay;
            EXPECT_EQ(result.failed[0].error, expected);
            EXPECT_EQ(filesBelow(m_outside.root()), outsideBefore);
            EXPECT_EQ(filesBelow(m_tree.root()), insideBefore);
        }
    }
}

TEST_F(Gateway, AReusedInodeBehindALinkIsNeverMoved)
{
    const QString listed = m_tree.file(QStringLiteral("dir/big.iso"), 4096);
    const QList<LargeFileItem> items = LargeFileEngine::findLargeFilesOfAtLeast(m_tree.root(), 1).items;
    ASSERT_EQ(items.size(), 1);
    // The freed inode goes to a file of the same name and size outside, reached by a link.
    ASSERT_TRUE(QFile::remove(listed));
    const QString outside = m_outside.file(QStringLiteral("dir/big.iso"), 4096);
    ASSERT_TRUE(QDir().rename(m_tree.path(QStringLiteral("dir")), m_tree.path(QStringLiteral("old"))));
    m_tree.symlink(QStringLiteral("dir"), m_outside.path(QStringLiteral("dir")));

    const TrashBatchResult result = LargeFileEngine::moveToTrash(items);
    EXPECT_TRUE(result.moved.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(outside));
}

TEST_F(Gateway, AFlipDuringALargeBatchMovesNothingFromOutside)
{
    // The listed folder and a link to an outside folder of the same names trade places again
    // and again while the batch runs.
    constexpr int kFiles = 1500;
    for (int i = 0; i < kFiles; ++i) {
        m_tree.file(QStringLiteral("dir/f%1.log").arg(i), 1);
        m_outside.file(QStringLiteral("dir/f%1.log").arg(i), 1);
    }
    const QList<FileSearchResult> items = FileSearchEngine::search(m_tree.root(), QStringLiteral(".log")).items;
    ASSERT_EQ(items.size(), kFiles);
    m_tree.symlink(QStringLiteral("flip"), m_outside.path(QStringLiteral("dir")));

    std::atomic<bool> done{false};
    std::atomic<int> flips{0};
    const QByteArray a = bytesFromPath(m_tree.path(QStringLiteral("dir")));
    const QByteArray b = bytesFromPath(m_tree.path(QStringLiteral("flip")));
    std::thread flipper([&] {
        while (!done.load())
            if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE) == 0)
                ++flips;
    });
    const TrashBatchResult result = FileSearchEngine::moveToTrash(items);
    done = true;
    flipper.join();

    EXPECT_GT(flips.load(), 0);
    EXPECT_EQ(filesBelow(m_outside.root()).size(), kFiles) << "every outside file stays";
    EXPECT_EQ(result.moved.size() + result.failed.size(), kFiles);
    for (const TrashFailure& f : result.failed)
        EXPECT_TRUE(f.error == TrashGateway::kLinkOnTheWay || f.error == TrashGateway::kFolderReplaced ||
                    f.error == TrashGateway::kGone)
            << f.error.toStdString();
}

TEST_F(Gateway, AHardLinkToAFileOutsideMovesOnlyOurName)
{
    const QString outside = m_outside.file(QStringLiteral("shared.iso"), 2048);
    const QString ours = m_tree.path(QStringLiteral("shared.iso"));
    ASSERT_EQ(::link(bytesFromPath(outside).constData(), bytesFromPath(ours).constData()), 0);
    const QList<LargeFileItem> items = LargeFileEngine::findLargeFilesOfAtLeast(m_tree.root(), 1).items;
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(LargeFileEngine::moveToTrash(items).moved, QStringList{ours});
    EXPECT_FALSE(QFileInfo::exists(ours));
    EXPECT_EQ(QFileInfo(outside).size(), 2048);
}

TEST_F(Gateway, LinksOnTheWayToAScanRootFindNothing)
{
    m_outside.file(QStringLiteral("ssl/key.pem"), 100);
    m_outside.file(QStringLiteral("Lib/Caches/com.foo/precious.db"), 100);
    m_tree.symlink(QStringLiteral("etclink"), m_outside.root());
    m_tree.symlink(QStringLiteral("Library"), m_outside.path(QStringLiteral("Lib")));
    // Even with the target inside an open scope, a link on the way is never followed.
    Sandbox::openScope(m_outside.root());

    CleanupRule rule;
    rule.name = QStringLiteral("r");
    rule.packName = QStringLiteral("p");
    rule.paths = {QStringLiteral("USERFOLDER/etclink/ssl")};
    EXPECT_FALSE(RuleScanEngine::scanRule(rule, m_tree.root()));
    const ApplicationCacheTarget target{QStringLiteral("com.foo"),
                                        QStringLiteral("Foo"),
                                        QStringLiteral("com.foo"),
                                        {m_tree.path(QStringLiteral("Library/Caches/com.foo"))}};
    EXPECT_TRUE(ApplicationCacheEngine::scanTargets({target}, {}).isEmpty());
    EXPECT_TRUE(StorageEngine::listDirectory(m_tree.path(QStringLiteral("etclink/ssl"))).isEmpty());
    EXPECT_TRUE(RuleScanEngine::listRegularFiles(m_tree.path(QStringLiteral("Library/Caches"))).isEmpty());
}

TEST_F(Gateway, ATrashInsideTheScannedTreeIsNeverListed)
{
    // The data home lies in a visible folder of the home; a folder trashed earlier is in it.
    PlatformLayout layout = PlatformLayout::forHome(m_tree.root());
    layout.dataHome = m_tree.path(QStringLiteral("data"));
    layout.trashFolder = layout.dataHome + QStringLiteral("/Trash/files");
    PlatformLayout::setCurrent(layout);
    m_tree.file(QStringLiteral("data/Trash/files/proj/build.log"), 100);
    m_tree.file(QStringLiteral("data/Trash/info/proj.trashinfo"), 10);
    m_tree.file(QStringLiteral("data/.Trash-1000/files/x/build.log"), 100);
    const QString visible = m_tree.file(QStringLiteral("work/build.log"), 100);

    EXPECT_EQ(FileSearchEngine::search(m_tree.root(), QStringLiteral("build")).items.size(), 1);
    EXPECT_EQ(FileSearchEngine::search(m_tree.root(), QStringLiteral("build")).items[0].path, visible);
    EXPECT_TRUE(RuleScanEngine::listRegularFiles(layout.dataHome + QStringLiteral("/Trash/files")).isEmpty());
    EXPECT_EQ(RuleScanEngine::listRegularFiles(layout.dataHome), QStringList{});
    PlatformLayout::setCurrent(PlatformLayout::system());
}

TEST_F(Gateway, AHomeReachedThroughALinkScansAndCleansAndRecordsTheRealPath)
{
    QTemporaryDir links;
    const QString viaLink = links.path() + QStringLiteral("/home");
    ASSERT_TRUE(QFile::link(m_tree.root(), viaLink));
    Sandbox::reset();
    Sandbox::openScope(viaLink);
    m_tree.file(QStringLiteral("a/big.iso"), 2048);

    const QList<LargeFileItem> items = LargeFileEngine::findLargeFilesOfAtLeast(viaLink, 1).items;
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].path, viaLink + QStringLiteral("/a/big.iso"));
    auto recorder = std::make_shared<RecordingTrash>(Trash::platform());
    Trash::setCurrent(recorder);
    EXPECT_EQ(LargeFileEngine::moveToTrash(items).moved.size(), 1);
    const QString info = PlatformLayout::current().dataHome + QStringLiteral("/Trash/info/big.iso.trashinfo");
    QFile file(info);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(QFileInfo(m_tree.root()).canonicalFilePath().toUtf8() + "/a/big.iso"));
}

TEST_F(Gateway, ProtectedPlacesAreNeverOfferedNorMoved)
{
    QTemporaryDir settings;
    Settings::useFile(settings.path() + QStringLiteral("/s.ini"));
    PlatformLayout::setCurrent(PlatformLayout::forHome(m_tree.root()));
    const QString home = m_tree.root();
    EXPECT_TRUE(ProtectedPlaces::addUserPath(home + QStringLiteral("/keep")));
    EXPECT_FALSE(ProtectedPlaces::addUserPath(home + QStringLiteral("/keep/")));
    const ProtectedPlaces places = ProtectedPlaces::current();
    const struct
    {
        const char* path;
        bool isProtected;
    } table[] = {
        {"", true},
        {"/Documents", true},
        {"/Documents/report.pdf", false}, // user folders protect only themselves
        {"/Downloads/setup.iso", false},
        {"/.ssh/id_ed25519", true},
        {"/.local/share/keyrings/login.keyring", true},
        {"/.docker/config.json", true},
        {"/.config", true},
        {"/.config/app/settings.ini", false},
        {"/.mozilla/firefox/abc.default", true},
        {"/.mozilla/firefox/abc.default/cache2/entry", false},
        {"/keep", true},
        {"/keep/inside/file", true},
        {"/keeper", false},
    };
    for (const auto& row : table)
        EXPECT_EQ(places.isProtected(home + QString::fromUtf8(row.path)), row.isProtected) << row.path;

    // Offered by no section, and refused by the gateway if asked all the same.
    const QString key = m_tree.file(QStringLiteral(".ssh/id_rsa.log"), 3000);
    const QString kept = m_tree.file(QStringLiteral("keep/big.iso"), 3000);
    EXPECT_TRUE(LargeFileEngine::findLargeFilesOfAtLeast(home, 1).items.isEmpty());
    const TrashBatchResult refused = TrashGateway::moveToTrash(foundItems({key, kept}), {{}, false, {}, {}});
    EXPECT_TRUE(refused.moved.isEmpty());
    ASSERT_EQ(refused.failed.size(), 2);
    EXPECT_EQ(refused.failed[1].error, TrashGateway::kProtected);
    EXPECT_TRUE(QFileInfo::exists(key) && QFileInfo::exists(kept));
    EXPECT_TRUE(ProtectedPlaces::removeUserPath(home + QStringLiteral("/keep")));
    EXPECT_FALSE(ProtectedPlaces::current().isProtected(kept));
    PlatformLayout::setCurrent(PlatformLayout::system());
}

TEST_F(Gateway, AnItemDeeperThanPathMaxFailsWithItsRealReason)
{
    // Made one folder at a time: a path this long cannot be used whole.
    const QByteArray name(200, 'd');
    int folder = ::open(TreeBuilder::bytes(m_tree.root()).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int depth = 0; depth < 25 && folder >= 0; ++depth) {
        ASSERT_EQ(::mkdirat(folder, name.constData(), 0700), 0);
        const int next = ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(folder);
        folder = next;
    }
    ASSERT_GE(folder, 0);
    const int file = ::openat(folder, "deep.iso", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::write(file, name.constData(), size_t(name.size())), name.size());
    ::close(file);
    ASSERT_EQ(::mkdirat(folder, "empty", 0700), 0);
    ::close(folder);

    // Seen by the scan (large files) or looked up by its path afterwards (empty folders).
    const QList<LargeFileItem> large = LargeFileEngine::findLargeFilesOfAtLeast(m_tree.root(), 1).items;
    const QList<EmptyFolderItem> empty = EmptyFolderEngine::findEmptyFolders(m_tree.root()).items;
    const TrashBatchResult results[] = {LargeFileEngine::moveToTrash(large), EmptyFolderEngine::moveToTrash(empty)};
    EXPECT_TRUE(TreeBuilder::removeTree(TreeBuilder::bytes(m_tree.path(QString::fromLatin1(name)))));
    ASSERT_EQ(large.size(), 1);
    EXPECT_GT(bytesFromPath(large[0].path).size(), PATH_MAX);
    for (const TrashBatchResult& result : results) {
        ASSERT_EQ(result.failed.size(), 1);
        EXPECT_EQ(result.failed[0].error, TrashGateway::kPathTooLong);
        EXPECT_EQ(result.failed[0].errorCode, ENAMETOOLONG);
    }
}

TEST_F(Gateway, AMissingDataHomeIsMadePrivateAndTheMoveGoesThrough)
{
    const PlatformLayout before = PlatformLayout::current();
    PlatformLayout layout = before;
    layout.dataHome = m_outside.path(QStringLiteral("new/share"));
    layout.trashFolder = layout.dataHome + QStringLiteral("/Trash/files");
    layout.applicationSupport = layout.dataHome + QStringLiteral("/Sweepora");
    PlatformLayout::setCurrent(layout);
    const QString file = m_tree.file(QStringLiteral("a.log"), 10);
    const TrashBatchResult result = TrashGateway::moveToTrash({{file, ItemIdentity::lookUp(file)}}, {});
    PlatformLayout::setCurrent(before);

    EXPECT_EQ(result.moved, QStringList{file});
    EXPECT_TRUE(QFileInfo::exists(layout.trashFolder + QStringLiteral("/a.log")));
    for (const char* made : {"new", "new/share"}) {
        struct stat st;
        ASSERT_EQ(::stat(TreeBuilder::bytes(m_outside.path(QString::fromLatin1(made))).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << made;
    }
}

TEST(ResolveBeneath, NeverFollowsALinkNorLeavesTheFolderByEitherMethod)
{
    QTemporaryDir dir;
    TreeBuilder tree(dir.path());
    tree.file(QStringLiteral("a/b/c"), 1);
    tree.symlink(QStringLiteral("a/link"), tree.path(QStringLiteral("a/b")));
    tree.symlink(QStringLiteral("top"), tree.path(QStringLiteral("a")));
    const int root = ::open(bytesFromPath(dir.path()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(root, 0);
    for (const ResolveMethod method : {ResolveMethod::Automatic, ResolveMethod::ComponentWalk}) {
        const auto open = [&](const char* relative, int flags) {
            errno = 0;
            const int fd = openBeneath(root, relative, flags, method);
            const int error = errno;
            if (fd >= 0)
                ::close(fd);
            return fd >= 0 ? 0 : error;
        };
        EXPECT_EQ(open("a/b", O_RDONLY | O_DIRECTORY), 0);
        EXPECT_EQ(open("a/b/c", O_RDONLY), 0);
        EXPECT_EQ(open("", O_RDONLY | O_DIRECTORY), 0);
        EXPECT_EQ(open("a/link/c", O_RDONLY), ELOOP);
        EXPECT_EQ(open("top/b", O_PATH | O_DIRECTORY), ELOOP);
        EXPECT_NE(open("a/link", O_PATH | O_DIRECTORY), 0);
        EXPECT_EQ(open("a/../a/b", O_RDONLY | O_DIRECTORY), EXDEV);
        EXPECT_EQ(open("/etc", O_RDONLY | O_DIRECTORY), EXDEV);
        EXPECT_EQ(open("a/b/c/d", O_RDONLY), ENOTDIR);
    }
    ::close(root);
}
