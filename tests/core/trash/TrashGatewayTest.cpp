// Attacks on the way from a scan to the Trash: a folder on the item's path swapped for a link
// or for another folder after the scan, a flip while a batch runs, a reused inode, a Trash
// inside the scanned tree, protected places. Nothing outside the scope may ever move.
//
// Nothing lost: every section's clean is journaled and comes back byte for byte; a restore never
// overwrites, never follows a link on the way back, and emptying removes exactly what it counted.
#include "core/trash/TrashGateway.h"
#include "core/apps/ApplicationCacheEngine.h"
#include "core/apps/ApplicationUninstallEngine.h"
#include "core/fs/ResolveBeneath.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/platform/Settings.h"
#include "core/rules/RuleScanEngine.h"
#include "core/scanners/EmptyFolderEngine.h"
#include "core/scanners/FileSearchEngine.h"
#include "core/scanners/LargeFileEngine.h"
#include "core/scanners/MiscFileEngine.h"
#include "core/scanners/StorageEngine.h"
#include "core/trash/CleanupHistory.h"
#include "core/trash/ProtectedPlaces.h"
#include "support/BundleBuilder.h"
#include "support/ScopedTreeFixture.h"
#include "support/Tools.h"
#include "support/TrashFakes.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

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
    tree.file(u"dir/target.log"_s, 3000);
}

QList<Section> sections()
{
    return {
        {"large", u"dir"_s, logFile,
         [](const QString& home) {
             const auto items = LargeFileEngine::findLargeFilesOfAtLeast(home, 1).items;
             return [items] { return LargeFileEngine::moveToTrash(items); };
         }},
        {"misc", u"dir"_s, logFile,
         [](const QString& home) {
             const auto items = MiscFileEngine::findFiles(home, MiscFileCategory::miscellaneous, std::nullopt).items;
             return [items] { return MiscFileEngine::moveToTrash(items, MiscFileCategory::miscellaneous); };
         }},
        {"search", u"dir"_s, logFile,
         [](const QString& home) {
             const auto items = FileSearchEngine::search(home, u"target"_s).items;
             return [items] { return FileSearchEngine::moveToTrash(items); };
         }},
        {"empty", u"dir"_s, [](TreeBuilder& tree) { tree.folder(u"dir/empty"_s); },
         [](const QString& home) {
             const auto items = EmptyFolderEngine::findEmptyFolders(home).items;
             return [items] { return EmptyFolderEngine::moveToTrash(items); };
         }},
        {"storage", u"dir"_s, logFile,
         [](const QString& home) {
             const auto entries = StorageEngine::listDirectory(home + u"/dir"_s);
             return [entries] { return StorageEngine::moveToTrash(entries); };
         }},
        {"rules", u"dir"_s, logFile,
         [](const QString& home) {
             const auto result = RuleScanEngine::scanRule({true, u"r"_s, {u"USERFOLDER/dir"_s}, 0, u"p"_s, {}}, home);
             return [result] {
                 const auto outcome =
                     RuleScanEngine::clean(result ? QList<CleanupResult>{*result} : QList<CleanupResult>{});
                 TrashBatchResult r{outcome.moved, {}, outcome.message};
                 for (const auto& [path, error] : outcome.failed)
                     r.failed.append({path, error});
                 return r;
             };
         }},
        {"app-caches", u"Library/Caches"_s,
         [](TreeBuilder& tree) { tree.file(u"Library/Caches/com.foo/precious.db"_s, 3000); },
         [](const QString& home) {
             const ApplicationCacheTarget target{
                 u"com.foo"_s, u"Foo"_s, u"com.foo"_s, {home + u"/Library/Caches/com.foo"_s}};
             const auto results = ApplicationCacheEngine::scanTargets({target}, {});
             return [results] {
                 const auto outcome = ApplicationCacheEngine::clean(results);
                 return TrashBatchResult{outcome.moved, outcome.failed, outcome.message};
             };
         }},
        {"apps", u"Library/Caches"_s, [](TreeBuilder& tree) { tree.file(u"Library/Caches/com.foo/data.bin"_s, 3000); },
         [](const QString& home) {
             BundleBuilder::make(home + u"/Applications/Foo.app"_s, BundleBuilder::xml(u"com.foo"_s));
             const auto apps = ApplicationUninstallEngine::listApplications({home + u"/Applications"_s}, home);
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

// Bytes, mode and modification time of every file, mode of every folder, target of every link.
std::string manifest(const QString& root)
{
    QMap<QString, QString> out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            continue;
        QString line = QString::number(st.st_mode, 8);
        if (S_ISREG(st.st_mode)) {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            line += u' ' +
                    QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex()) +
                    u' ' + QString::number(qint64(st.st_mtim.tv_sec)) + u'.' + QString::number(st.st_mtim.tv_nsec);
        }
        out.insert(path.mid(root.size()), line);
    }
    QString text;
    for (auto it = out.cbegin(); it != out.cend(); ++it)
        text += it.key() + u' ' + it.value() + u'\n';
    return text.toStdString();
}

enum class Swap { linkOutside, linkInside, replace };

class Gateway : public ScopedTreeFixture
{
protected:
    QTemporaryDir m_outsideDir;
    TreeBuilder m_outside{m_outsideDir.path()};

    // Puts a folder (or a link to one) in the place of `relative` that holds the same names.
    void swap(const QString& relative, Swap how, const std::function<void(TreeBuilder&)>& build)
    {
        const QString place = m_tree.path(relative);
        ASSERT_TRUE(QDir().rename(place, place + u".scanned"_s));
        if (how == Swap::replace) {
            TreeBuilder other(m_tree.path(u"other"_s));
            build(other);
            ASSERT_TRUE(QDir().rename(other.path(relative), place));
            return;
        }
        TreeBuilder documents(m_tree.path(u"Documents"_s));
        TreeBuilder& target = how == Swap::linkOutside ? m_outside : documents;
        build(target);
        m_tree.symlink(relative, target.path(relative));
    }
};

} // namespace

TEST_F(Gateway, AFolderSwappedAfterTheScanKeepsEveryItemInPlaceInEverySection)
{
    if (!TreeBuilder::birthTimeRecorded(m_dir.path()))
        GTEST_SKIP() << "this file system records no birth times (the misc section needs them)";
    for (const Section& section : sections()) {
        for (const Swap how : {Swap::linkOutside, Swap::linkInside, Swap::replace}) {
            SCOPED_TRACE(std::string(section.name) + " swap " + std::to_string(int(how)));
            for (const QString& root : {m_tree.root(), m_outside.root()})
                ASSERT_TRUE(TreeBuilder::removeTree(TreeBuilder::bytes(root)) && QDir().mkpath(root));
            // A scope holds its folder's descriptor: the new folder needs a new one.
            Sandbox::reset();
            Sandbox::openScope(m_tree.root());
            section.build(m_tree);
            const auto clean = section.scan(m_tree.root());
            swap(section.folder, how, section.build);
            const std::string outsideBefore = manifest(m_outside.root());
            const std::string insideBefore = manifest(m_tree.root());

            const TrashBatchResult result = clean();
            EXPECT_TRUE(result.moved.isEmpty()) << result.moved.join(u' ').toStdString();
            ASSERT_FALSE(result.failed.isEmpty()) << "a refusal is reported, not silent";
            const QString expected = how == Swap::replace ? TrashGateway::kFolderReplaced : TrashGateway::kLinkOnTheWay;
            EXPECT_EQ(result.failed[0].error, expected);
            EXPECT_EQ(manifest(m_outside.root()), outsideBefore);
            EXPECT_EQ(manifest(m_tree.root()), insideBefore);
        }
    }
}

TEST_F(Gateway, AReusedInodeBehindALinkIsNeverMovedAndAHardLinkMovesOnlyOurName)
{
    const QString listed = m_tree.file(u"dir/big.iso"_s, 4096);
    const QList<LargeFileItem> items = LargeFileEngine::findLargeFilesOfAtLeast(m_tree.root(), 1).items;
    ASSERT_EQ(items.size(), 1);
    // The freed inode goes to a file of the same name and size outside, reached by a link.
    ASSERT_TRUE(QFile::remove(listed));
    const QString outside = m_outside.file(u"dir/big.iso"_s, 4096);
    ASSERT_TRUE(QDir().rename(m_tree.path(u"dir"_s), m_tree.path(u"old"_s)));
    m_tree.symlink(u"dir"_s, m_outside.path(u"dir"_s));

    const TrashBatchResult result = LargeFileEngine::moveToTrash(items);
    EXPECT_TRUE(result.moved.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(outside));

    // A hard link to a file outside moves only our name.
    const QString sharedOutside = m_outside.file(u"shared.iso"_s, 2048);
    const QString ours = m_tree.path(u"shared.iso"_s);
    ASSERT_EQ(::link(bytesFromPath(sharedOutside).constData(), bytesFromPath(ours).constData()), 0);
    const QList<LargeFileItem> linked = LargeFileEngine::findLargeFilesOfAtLeast(m_tree.root(), 1).items;
    EXPECT_EQ(LargeFileEngine::moveToTrash(linked).moved, QStringList{ours});
    EXPECT_FALSE(QFileInfo::exists(ours));
    EXPECT_EQ(QFileInfo(sharedOutside).size(), 2048);
}

TEST_F(Gateway, AFlipDuringALargeBatchMovesNothingFromOutside)
{
    // The listed folder and a link to an outside folder of the same names trade places again
    // and again while the batch runs.
    constexpr int kFiles = 1500;
    for (int i = 0; i < kFiles; ++i) {
        m_tree.file(u"dir/f%1.log"_s.arg(i), 1);
        m_outside.file(u"dir/f%1.log"_s.arg(i), 1);
    }
    const QList<FileSearchResult> items = FileSearchEngine::search(m_tree.root(), u".log"_s).items;
    ASSERT_EQ(items.size(), kFiles);
    m_tree.symlink(u"flip"_s, m_outside.path(u"dir"_s));

    std::atomic<bool> done{false};
    std::atomic<int> flips{0};
    const QByteArray a = bytesFromPath(m_tree.path(u"dir"_s));
    const QByteArray b = bytesFromPath(m_tree.path(u"flip"_s));
    std::thread flipper([&] {
        while (!done.load())
            if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE) == 0)
                ++flips;
    });
    const TrashBatchResult result = FileSearchEngine::moveToTrash(items);
    done = true;
    flipper.join();

    EXPECT_GT(flips.load(), 0);
    EXPECT_EQ(QDir(m_outside.path(u"dir"_s)).entryList(QDir::Files).size(), kFiles) << "every outside file stays";
    EXPECT_EQ(result.moved.size() + result.failed.size(), kFiles);
    for (const TrashFailure& f : result.failed)
        EXPECT_TRUE(f.error == TrashGateway::kLinkOnTheWay || f.error == TrashGateway::kFolderReplaced ||
                    f.error == TrashGateway::kGone)
            << f.error.toStdString();
}

TEST_F(Gateway, LinksOnTheWayToAScanRootFindNothingAndATrashInsideTheTreeIsNeverListed)
{
    m_outside.file(u"ssl/key.pem"_s, 100);
    m_outside.file(u"Lib/Caches/com.foo/precious.db"_s, 100);
    m_tree.symlink(u"etclink"_s, m_outside.root());
    m_tree.symlink(u"Library"_s, m_outside.path(u"Lib"_s));
    // Even with the target inside an open scope, a link on the way is never followed.
    Sandbox::openScope(m_outside.root());

    EXPECT_FALSE(RuleScanEngine::scanRule({true, u"r"_s, {u"USERFOLDER/etclink/ssl"_s}, 0, u"p"_s, {}}, m_tree.root()));
    const ApplicationCacheTarget target{
        u"com.foo"_s, u"Foo"_s, u"com.foo"_s, {m_tree.path(u"Library/Caches/com.foo"_s)}};
    EXPECT_TRUE(ApplicationCacheEngine::scanTargets({target}, {}).isEmpty());
    EXPECT_TRUE(StorageEngine::listDirectory(m_tree.path(u"etclink/ssl"_s)).isEmpty());
    EXPECT_TRUE(RuleScanEngine::listRegularFiles(m_tree.path(u"Library/Caches"_s)).isEmpty());

    // A Trash inside the scanned tree is never listed: the data home lies in a visible folder of
    // the home, and a folder trashed earlier is in it.
    PlatformLayout layout = PlatformLayout::forHome(m_tree.root());
    layout.dataHome = m_tree.path(u"data"_s);
    layout.trashFolder = layout.dataHome + u"/Trash/files"_s;
    PlatformLayout::setCurrent(layout);
    m_tree.file(u"data/Trash/files/proj/build.log"_s, 100);
    m_tree.file(u"data/Trash/info/proj.trashinfo"_s, 10);
    m_tree.file(u"data/.Trash-1000/files/x/build.log"_s, 100);
    const QString visible = m_tree.file(u"work/build.log"_s, 100);

    EXPECT_EQ(FileSearchEngine::search(m_tree.root(), u"build"_s).items.size(), 1);
    EXPECT_EQ(FileSearchEngine::search(m_tree.root(), u"build"_s).items[0].path, visible);
    EXPECT_TRUE(RuleScanEngine::listRegularFiles(layout.dataHome + u"/Trash/files"_s).isEmpty());
    EXPECT_EQ(RuleScanEngine::listRegularFiles(layout.dataHome), QStringList{});
    PlatformLayout::setCurrent(PlatformLayout::system());
}

TEST_F(Gateway, AHomeReachedThroughALinkScansAndCleansAndRecordsTheRealPath)
{
    QTemporaryDir links;
    const QString viaLink = links.path() + u"/home"_s;
    ASSERT_TRUE(QFile::link(m_tree.root(), viaLink));
    Sandbox::reset();
    Sandbox::openScope(viaLink);
    m_tree.file(u"a/big.iso"_s, 2048);

    const QList<LargeFileItem> items = LargeFileEngine::findLargeFilesOfAtLeast(viaLink, 1).items;
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].path, viaLink + u"/a/big.iso"_s);
    EXPECT_EQ(LargeFileEngine::moveToTrash(items).moved.size(), 1);
    QFile file(PlatformLayout::current().dataHome + u"/Trash/info/big.iso.trashinfo"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(QFileInfo(m_tree.root()).canonicalFilePath().toUtf8() + "/a/big.iso"));
}

TEST_F(Gateway, ProtectedPlacesAreNeverOfferedNorMoved)
{
    QTemporaryDir settings;
    Settings::useFile(settings.path() + u"/s.ini"_s);
    PlatformLayout::setCurrent(PlatformLayout::forHome(m_tree.root()));
    const QString home = m_tree.root();
    EXPECT_TRUE(ProtectedPlaces::addUserPath(home + u"/keep"_s));
    EXPECT_FALSE(ProtectedPlaces::addUserPath(home + u"/keep/"_s));
    const ProtectedPlaces places = ProtectedPlaces::current();
    const std::pair<const char*, bool> table[] = {
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
    for (const auto& [path, isProtected] : table)
        EXPECT_EQ(places.isProtected(home + QString::fromUtf8(path)), isProtected) << path;

    // Offered by no section, and refused by the gateway if asked all the same.
    const QString key = m_tree.file(u".ssh/id_rsa.log"_s, 3000);
    const QString kept = m_tree.file(u"keep/big.iso"_s, 3000);
    EXPECT_TRUE(LargeFileEngine::findLargeFilesOfAtLeast(home, 1).items.isEmpty());
    const TrashBatchResult refused = TrashGateway::moveToTrash(foundItems({key, kept}), {{}, false, {}, {}});
    EXPECT_TRUE(refused.moved.isEmpty());
    ASSERT_EQ(refused.failed.size(), 2);
    EXPECT_EQ(refused.failed[1].error, TrashGateway::kProtected);
    EXPECT_TRUE(QFileInfo::exists(key) && QFileInfo::exists(kept));
    EXPECT_TRUE(ProtectedPlaces::removeUserPath(home + u"/keep"_s));
    EXPECT_FALSE(ProtectedPlaces::current().isProtected(kept));
    PlatformLayout::setCurrent(PlatformLayout::system());
}

TEST_F(Gateway, AnItemDeeperThanPathMaxFailsWithItsRealReason)
{
    // Made through descriptors: a path this long cannot be used whole.
    m_tree.deepChain(u"deep/file"_s, std::string(200, 'd'), 25, "deep.iso");
    m_tree.deepChain(u"deep/empty"_s, std::string(200, 'd'), 25);

    // Seen by the scan (large files) or looked up by its path afterwards (empty folders).
    const QList<LargeFileItem> large = LargeFileEngine::findLargeFilesOfAtLeast(m_tree.root(), 0).items;
    const QList<EmptyFolderItem> empty = EmptyFolderEngine::findEmptyFolders(m_tree.root()).items;
    const TrashBatchResult results[] = {LargeFileEngine::moveToTrash(large), EmptyFolderEngine::moveToTrash(empty)};
    EXPECT_TRUE(TreeBuilder::removeTree(TreeBuilder::bytes(m_tree.path(u"deep"_s))));
    ASSERT_EQ(large.size(), 1);
    EXPECT_GT(bytesFromPath(large[0].path).size(), PATH_MAX);
    for (const TrashBatchResult& result : results) {
        ASSERT_EQ(result.failed.size(), 1);
        EXPECT_EQ(result.failed[0].error, TrashGateway::kPathTooLong);
        EXPECT_EQ(result.failed[0].errorCode, ENAMETOOLONG);
    }
}

TEST(ResolveBeneath, NeverFollowsALinkNorLeavesTheFolderByEitherMethod)
{
    QTemporaryDir dir;
    TreeBuilder tree(dir.path());
    tree.file(u"a/b/c"_s, 1);
    tree.symlink(u"a/link"_s, tree.path(u"a/b"_s));
    tree.symlink(u"top"_s, tree.path(u"a"_s));
    const int root = ::open(bytesFromPath(dir.path()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(root, 0);
    for (const ResolveMethod method : {ResolveMethod::automatic, ResolveMethod::componentWalk}) {
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

namespace {

class CleanupHistoryTest : public ScopedTreeFixture
{
protected:
    CleanupJournal::Batch batch(qint64 id) const
    {
        CleanupHistory::refresh();
        for (const CleanupJournal::Batch& b : CleanupHistory::batches())
            if (b.id == id)
                return b;
        return {};
    }
    QString trashFiles() const { return PlatformLayout::current().dataHome + u"/Trash/files"_s; }

    // A new file of `size` bytes, cleaned on its own: its batch.
    qint64 cleanNew(const QString& name, qint64 size)
    {
        m_tree.file(name, size);
        const TrashBatchResult r = FileSearchEngine::moveToTrash(FileSearchEngine::search(home(), name).items);
        EXPECT_EQ(r.moved.size(), 1);
        return r.batchId;
    }
};

} // namespace

TEST_F(CleanupHistoryTest, EverySectionsCleanComesBackByteForByteAndLeavesTheTrash)
{
    m_tree.file(u"big/huge.iso"_s, 3000000);
    m_tree.file(u"docs/find-me.txt"_s, 1200);
    m_tree.folder(u"docs/empty/inner"_s);
    m_tree.file(u"Projects/build/out.o"_s, 5000);
    m_tree.file(u"Projects/build/deep/more.o"_s, 7000);
    m_tree.symlink(u"Projects/build/link"_s, u"/etc/hostname"_s);
    m_tree.file(u"cache/tool/a.bin"_s, 4000);
    m_tree.file(u"Library/Caches/com.foo/blob"_s, 6000);
    m_tree.chmod(u"docs/find-me.txt"_s, 0640);
    BundleBuilder::make(home() + u"/Applications/Foo.app"_s, BundleBuilder::xml(u"com.foo"_s));
    const std::string before = manifest(home());

    QList<qint64> batches;
    batches << LargeFileEngine::moveToTrash(LargeFileEngine::findLargeFilesOfAtLeast(home(), 2000000).items).batchId;
    batches << FileSearchEngine::moveToTrash(FileSearchEngine::search(home(), u"find-me"_s).items).batchId;
    batches << EmptyFolderEngine::moveToTrash(EmptyFolderEngine::findEmptyFolders(home()).items).batchId;
    batches << StorageEngine::moveToTrash(StorageEngine::listDirectory(home() + u"/Projects"_s)).batchId;
    CleanupRule rule{true, u"r"_s, {u"USERFOLDER/cache"_s}, 0, u"p"_s, {}};
    batches << RuleScanEngine::clean({*RuleScanEngine::scanRule(rule, home())}).batchId;
    const auto apps = ApplicationUninstallEngine::listApplications({home() + u"/Applications"_s}, home());
    ASSERT_EQ(apps.size(), 1);
    batches << ApplicationUninstallEngine::moveToTrash(ApplicationUninstallEngine::workList(apps[0]), {}).batchId;

    for (const qint64 id : batches)
        ASSERT_GT(id, 0) << "every clean is one journaled batch";
    EXPECT_EQ(QSet<qint64>(batches.begin(), batches.end()).size(), batches.size());
    const CleanupJournal::Batch storage = batch(batches[3]);
    EXPECT_EQ(storage.section, u"storage"_s);
    EXPECT_EQ(storage.count, 1);
    EXPECT_EQ(storage.inTrash, 1);
    EXPECT_GE(storage.size, 12000) << "a folder counts with what it holds";
    EXPECT_EQ(batch(batches[5]).section, u"apps"_s);
    EXPECT_GE(batch(batches[5]).count, 2) << "the bundle and its related files are one batch";
    EXPECT_NE(manifest(home()), before);

    // Newest first, as undoing one clean after another would: the folder that the large file
    // left empty goes back before the file.
    std::reverse(batches.begin(), batches.end());
    for (const qint64 id : batches) {
        const CleanupHistory::RestoreResult r = CleanupHistory::restore(id);
        EXPECT_TRUE(r.failed.isEmpty()) << r.failed.value(0).path.toStdString()
                                        << r.failed.value(0).error.toStdString();
        EXPECT_EQ(batch(id).inTrash, 0);
    }
    // Folders' own times change when entries leave and return; everything else is as it was.
    EXPECT_EQ(manifest(home()), before);

    // Another reader of the standard agrees that nothing of ours is left in the Trash.
    SWEEPORA_REQUIRE_TOOL("trash-list");
    QProcess list;
    list.start(u"trash-list"_s, {});
    ASSERT_TRUE(list.waitForFinished(30000));
    EXPECT_FALSE(list.readAllStandardOutput().contains(QFile::encodeName(home())))
        << "restored entries leave no info file behind";
}

TEST_F(CleanupHistoryTest, ARestoreNeverOverwritesNorFollowsALinkAndEmptyingRemovesExactlyWhatItCounted)
{
    const QString kept = m_tree.file(u"a/kept.txt"_s, 100);
    const QString deep = m_tree.file(u"b/c/deep.txt"_s, 200);
    const QString viaLink = m_tree.file(u"d/e/secret.txt"_s, 300);
    const QString gone = m_tree.file(u"gone.txt"_s, 400);
    const qint64 batchId = FileSearchEngine::moveToTrash(FileSearchEngine::search(home(), u".txt"_s).items).batchId;
    ASSERT_EQ(batch(batchId).inTrash, 4);
    const auto entries = CleanupHistory::entries(batchId);
    ASSERT_EQ(entries.size(), 4);

    // The place was taken meanwhile; the folders of one item are gone; a link leads out.
    m_tree.file(u"a/kept.txt"_s, 7);
    ASSERT_TRUE(QDir(home() + u"/b"_s).removeRecursively());
    QTemporaryDir outside;
    ASSERT_TRUE(QDir(home() + u"/d"_s).removeRecursively());
    m_tree.symlink(u"d"_s, outside.path());
    for (const CleanupJournal::Entry& e : entries) // the one gone is emptied by another program
        ASSERT_TRUE(pathFromBytes(e.path) != gone || QFile::remove(pathFromBytes(e.trash)));

    const CleanupHistory::RestoreResult r = CleanupHistory::restore(batchId);
    EXPECT_EQ(r.restored, QStringList{deep});
    EXPECT_EQ(QFileInfo(deep).size(), 200);
    QMap<QString, QString> why;
    for (const TrashFailure& f : r.failed)
        why.insert(f.path, f.error);
    EXPECT_EQ(why.value(kept), CleanupHistory::kOccupied);
    EXPECT_EQ(why.value(viaLink), u"原位置的路径中有符号链接，已拒绝"_s);
    EXPECT_EQ(why.value(gone), CleanupHistory::kNotInTrash);
    EXPECT_EQ(QFileInfo(kept).size(), 7) << "the newer file stays as it is";
    EXPECT_TRUE(QDir(outside.path()).isEmpty()) << "nothing was made outside the scope";
    EXPECT_EQ(r.message, u"已恢复 1 项，3 项未能恢复"_s);
    EXPECT_EQ(batch(batchId).inTrash, 2) << "the occupied and the refused ones wait in the Trash";

    // Once the place is free again, the rest comes back.
    ASSERT_TRUE(QFile::remove(kept));
    ASSERT_TRUE(QFile::remove(home() + u"/d"_s));
    const CleanupHistory::RestoreResult rest = CleanupHistory::restore(batchId);
    EXPECT_EQ(rest.restored.size(), 2);
    EXPECT_EQ(QFileInfo(kept).size(), 100);
    EXPECT_EQ(QFileInfo(viaLink).size(), 300);

    // Emptying removes exactly what it counted, and the journal knows.
    const qsizetype stray = QDir(trashFiles() + u"/../info"_s).entryList(QDir::Files).size();
    const qint64 counted = cleanNew(u"one.bin"_s, 5000);
    // A folder that cannot be written, as some programs leave them.
    m_tree.file(u"sub/tree/two.bin"_s, 3000);
    m_tree.chmod(u"sub/tree"_s, 0500);
    QList<StorageEntry> sub = StorageEngine::listDirectory(home());
    sub.removeIf([](const StorageEntry& e) { return !e.path.endsWith(u"/sub"_s); });
    ASSERT_EQ(StorageEngine::moveToTrash(sub).moved.size(), 1);
    const CleanupHistory::EmptyPlan plan = CleanupHistory::planEmptying();
    ASSERT_GE(plan.count, 2);
    EXPECT_GE(plan.size, 8000);

    const qint64 late = cleanNew(u"late.bin"_s, 100);
    const CleanupHistory::EmptyResult emptied = CleanupHistory::empty(plan);
    EXPECT_EQ(emptied.removed, plan.count);
    EXPECT_TRUE(emptied.failed.isEmpty());
    EXPECT_EQ(batch(counted).inTrash, 0);
    EXPECT_EQ(CleanupHistory::entries(counted).value(0).state, CleanupJournal::State::emptied);
    EXPECT_EQ(batch(late).inTrash, 1) << "what arrived after the count stays";
    EXPECT_EQ(QDir(trashFiles()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
    EXPECT_EQ(QDir(trashFiles() + u"/../info"_s).entryList(QDir::Files).size(), stray + 1);
    EXPECT_EQ(CleanupHistory::lastRestorable(), late);
}
