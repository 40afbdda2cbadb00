#include "core/fs/Walker.h"
#include "core/fs/PackageNames.h"
#include "core/fs/WalkFanOut.h"
#include "core/platform/PathBytes.h"
#include "core/platform/Sandbox.h"
#include "support/ChildProcess.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <climits>
#include <map>
#include <set>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/time.h>

using namespace Sweepora::Core;
using Sweepora::Test::TreeBuilder;

namespace {

struct Seen
{
    EntryKind kind = EntryKind::other;
    bool package = false;
    int depth = 0;
    std::string topLevel;
    std::optional<qint64> logical;
    std::optional<qint64> allocated;
    qint64 shownSize = 0;
    std::optional<qint64> birth;
};

// Records what one thread saw; the test merges the threads' records.
class Recorder : public WalkVisitor
{
public:
    bool readSizes = false;
    std::set<std::string> skip; // relative paths of folders not to enter
    std::string rootPrefix;

    std::vector<std::pair<std::string, Seen>> entries;
    std::vector<std::pair<std::string, WalkFolder>> folders; // path copied; the view in WalkFolder is dropped

    WalkAction visit(const WalkEntry& e) override
    {
        Seen s{e.kind(), e.isPackage(), e.depth(), std::string(e.topLevelName()), {}, {}, 0, {}};
        if (readSizes) {
            s.logical = e.logicalSize();
            s.allocated = e.allocatedSize();
            s.shownSize = e.allocatedOrLogicalSize();
            s.birth = e.birthTimeMSecs();
        }
        const std::string rel = relative(e.path());
        EXPECT_EQ(e.name(), rel.substr(rel.rfind('/') + 1));
        // The text path carries every byte back, whatever the name holds.
        EXPECT_EQ(bytesFromPath(e.filePath()).toStdString(), e.path());
        entries.emplace_back(rel, s);
        return skip.count(rel) ? WalkAction::skipChildren : WalkAction::proceed;
    }

    void folderListed(const WalkFolder& f) override
    {
        WalkFolder copy = f;
        copy.path = {};
        folders.emplace_back(relative(std::string(f.path)), copy);
    }

    std::string relative(const std::string& path) const
    {
        EXPECT_EQ(path.compare(0, rootPrefix.size(), rootPrefix), 0) << path;
        return path.size() <= rootPrefix.size() ? std::string() : path.substr(rootPrefix.size() + 1);
    }
};

struct WalkResult
{
    std::map<std::string, Seen> entries;      // relative path -> what the walker said
    std::map<std::string, WalkFolder> listed; // relative path ("" = root) -> listing
};

WalkResult walkTree(const QString& root, WalkOptions options = {}, bool readSizes = false)
{
    Recorder prototype;
    prototype.readSizes = readSizes;
    prototype.rootPrefix = TreeBuilder::bytes(root);
    WalkResult result;
    for (Recorder& r : Walker::walkEach(root, options, prototype)) {
        for (auto& [path, seen] : r.entries)
            EXPECT_TRUE(result.entries.emplace(path, seen).second) << "yielded twice: " << path;
        for (auto& [path, folder] : r.folders)
            EXPECT_TRUE(result.listed.emplace(path, folder).second) << "listed twice: " << path;
    }
    return result;
}

// The paths of a walk's map, or of one thread's records.
template <typename Records> std::set<std::string> keys(const Records& m)
{
    std::set<std::string> k;
    for (const auto& [path, seen] : m)
        k.insert(path);
    return k;
}

int openDescriptors()
{
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d) != nullptr)
            ++n;
        ::closedir(d);
    }
    return n - 3; // ".", ".." and the listing's own descriptor
}

class TempTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        Sandbox::reset();
        Sandbox::openScope(m_dir.path());
    }
    // QTemporaryDir cannot remove names that are not valid UTF-8, nor paths beyond PATH_MAX.
    void TearDown() override { TreeBuilder::removeTree(TreeBuilder::bytes(m_dir.path())); }

    QTemporaryDir m_dir;
    TreeBuilder tree{m_dir.path()};
};

// One thread; two; and every thread a cold walk may add, from the start.
class WalkerThreads : public TempTree, public ::testing::WithParamInterface<std::pair<int, WalkOptions::Growth>>
{
protected:
    WalkOptions options() const { return {.threads = GetParam().first, .growth = GetParam().second}; }
};

} // namespace

TEST_P(WalkerThreads, YieldsEveryEntryOnceWithItsKindDepthAndTopLevelChild)
{
    std::set<std::string> expected;
    // Wide and nested enough that the two threads hand folders to each other.
    for (int a = 0; a < 40; ++a) {
        const QString top = QStringLiteral("d%1").arg(a);
        expected.insert(top.toStdString());
        for (int b = 0; b < 4; ++b) {
            const QString mid = top + QStringLiteral("/s%1").arg(b);
            expected.insert(mid.toStdString());
            tree.file(mid + QStringLiteral("/f.txt"), 10);
            expected.insert((mid + QStringLiteral("/f.txt")).toStdString());
        }
    }
    tree.file(QStringLiteral("top.txt"));
    tree.symlink(QStringLiteral("link"), QStringLiteral("top.txt"));
    ASSERT_EQ(::mkfifo(TreeBuilder::bytes(tree.path(QStringLiteral("d0/pipe"))).c_str(), 0644), 0);
    expected.insert({"top.txt", "link", "d0/pipe"});

    const WalkResult walk = walkTree(tree.root(), options());

    EXPECT_EQ(keys(walk.entries), expected);
    for (const auto& [path, seen] : walk.entries) {
        EXPECT_EQ(seen.depth, std::count(path.begin(), path.end(), '/') + 1) << path;
        EXPECT_EQ(seen.topLevel, path.substr(0, path.find('/'))) << path;
        const EntryKind kind = path == "link"           ? EntryKind::symlink
                               : path == "d0/pipe"      ? EntryKind::other
                               : path.ends_with(".txt") ? EntryKind::regular
                                                        : EntryKind::directory;
        EXPECT_EQ(seen.kind, kind) << path;
    }
    // Every folder was listed, the root included, at its depth.
    EXPECT_EQ(walk.listed.size(), 1u + 40u + 160u);
    EXPECT_EQ(walk.listed.at("").depth, 0);
    EXPECT_EQ(walk.listed.at("").entryCount, 42);
    EXPECT_EQ(walk.listed.at("d7/s1").depth, 2);
}

TEST_P(WalkerThreads, WalksBelowPathMaxWithinABoundedNumberOfDescriptors)
{
    constexpr int kLevels = 260;
    const std::string name = "level-0123456789";
    const std::string deepest = tree.deepChain(QStringLiteral("chain"), name, kLevels, "bottom.txt");
    ASSERT_GT(deepest.size(), static_cast<size_t>(PATH_MAX));
    tree.deepChain(QStringLiteral("chain"), "side", 3); // a branch that forks at the top, visited after the deep one

    const int before = openDescriptors();
    struct Watcher : Recorder
    {
        int most = 0;
        WalkAction visit(const WalkEntry& e) override
        {
            most = std::max(most, openDescriptors());
            return Recorder::visit(e);
        }
    };
    Watcher w;
    w.rootPrefix = TreeBuilder::bytes(tree.root());
    std::set<std::string> seen;
    int most = 0;
    for (const Watcher& p : Walker::walkEach(tree.root(), options(), w)) {
        most = std::max(most, p.most);
        seen.merge(keys(p.entries));
    }
    const std::string bottom = deepest.substr(TreeBuilder::bytes(tree.root()).size() + 1) + "/bottom.txt";
    EXPECT_TRUE(seen.count(bottom)) << "the file below PATH_MAX was not reached";
    EXPECT_TRUE(seen.count("chain/side/side/side"));
    EXPECT_EQ(seen.size(), static_cast<size_t>(1 + kLevels + 1 + 3));
    // Each thread with its bounded branch, plus what waits on the shared stack.
    EXPECT_LT(most - before, options().growth == WalkOptions::Growth::widest ? 200 : 100);
    EXPECT_EQ(openDescriptors(), before) << "descriptors leaked";
}

INSTANTIATE_TEST_SUITE_P(OneTwoAndWidest, WalkerThreads,
                         ::testing::Values(std::pair(1, WalkOptions::Growth::adaptive),
                                           std::pair(2, WalkOptions::Growth::fixed),
                                           std::pair(2, WalkOptions::Growth::widest)));

// Folders removed while the widest walk runs: what remains is yielded once, nothing else is.
TEST_F(TempTree, FoldersVanishingDuringAWidestWalkLeaveTheRestWholeAndARootOutsideTheScopesYieldsNothing)
{
    for (int a = 0; a < 60; ++a)
        for (int b = 0; b < 3; ++b)
            tree.file(QStringLiteral("d%1/s%2/f").arg(a).arg(b));
    struct Remover : Recorder
    {
        QString root;
        WalkAction visit(const WalkEntry& e) override
        {
            // Each odd folder takes its next even neighbour with it when first seen.
            const std::string name(e.name());
            if (e.depth() == 1 && name.size() > 1 && (std::stoi(name.substr(1)) % 2) == 1)
                QDir(root + QStringLiteral("/d%1").arg(std::stoi(name.substr(1)) + 1)).removeRecursively();
            return Recorder::visit(e);
        }
    };
    Remover remover;
    remover.root = tree.root();
    remover.rootPrefix = TreeBuilder::bytes(tree.root());
    std::set<std::string> seen;
    for (const Remover& part : Walker::walkEach(tree.root(), {.growth = WalkOptions::Growth::widest}, remover))
        for (const auto& [path, s] : part.entries)
            EXPECT_TRUE(seen.insert(path).second) << "yielded twice: " << path;
    for (int a = 0; a < 60; ++a) {
        if (a % 2 == 0 && a > 0)
            continue; // may be gone before, during or after its listing
        for (int b = 0; b < 3; ++b)
            EXPECT_TRUE(seen.count(QStringLiteral("d%1/s%2/f").arg(a).arg(b).toStdString())) << a << '/' << b;
    }
    for (const std::string& path : seen)
        EXPECT_EQ(path.rfind('d', 0), 0u) << path;

    // A root outside the open scopes, or behind a link, yields nothing.
    tree.file(QStringLiteral("inside/file.txt"));
    tree.symlink(QStringLiteral("alias"), tree.path(QStringLiteral("inside")));

    Sandbox::reset();
    EXPECT_TRUE(walkTree(tree.path(QStringLiteral("inside"))).listed.empty());
    Sandbox::openScope(tree.path(QStringLiteral("inside-not")));
    EXPECT_TRUE(walkTree(tree.path(QStringLiteral("inside"))).listed.empty());

    Sandbox::openScope(tree.root());
    EXPECT_TRUE(walkTree(tree.path(QStringLiteral("alias"))).listed.empty());
    EXPECT_EQ(walkTree(tree.path(QStringLiteral("inside"))).entries.size(), 1u);
}

TEST_F(TempTree, HiddenEntriesAndPackageContentsAreSkippedOnlyWhenAskedAndPackagesGoByExtension)
{
    tree.file(QStringLiteral(".hidden.txt"));
    tree.file(QStringLiteral(".cache/deep/x.bin"));
    tree.file(QStringLiteral("docs/.DS_Store"));
    tree.file(QStringLiteral("docs/visible.txt"));
    tree.file(QStringLiteral("Apps/Foo.app/Contents/Info.plist"));
    tree.file(QStringLiteral("Apps/Foo.app/Contents/Frameworks/Bar.framework/bin"));
    tree.folder(QStringLiteral("Apps/Loud.APP"));
    tree.file(QStringLiteral("Apps/notes.app"));     // a file, not a package
    tree.folder(QStringLiteral("Apps/plain.app.d")); // not a package extension

    const WalkResult skipping = walkTree(tree.root(), {.skipHidden = true, .skipPackageDescendants = true});
    EXPECT_EQ(keys(skipping.entries), (std::set<std::string>{"docs", "docs/visible.txt", "Apps", "Apps/Foo.app",
                                                             "Apps/Loud.APP", "Apps/notes.app", "Apps/plain.app.d"}));
    EXPECT_FALSE(skipping.listed.count(".cache")) << "a hidden folder was opened";
    // The raw count still includes the hidden names.
    EXPECT_EQ(skipping.listed.at("docs").entryCount, 2);
    EXPECT_EQ(skipping.listed.at("").entryCount, 4);
    for (const auto& [path, seen] : skipping.entries)
        EXPECT_EQ(seen.package, path == "Apps/Foo.app" || path == "Apps/Loud.APP") << path;
    EXPECT_FALSE(skipping.listed.count("Apps/Loud.APP"));

    const WalkResult all = walkTree(tree.root());
    for (const char* path : {".hidden.txt", ".cache", ".cache/deep", ".cache/deep/x.bin", "docs/.DS_Store",
                             "Apps/Foo.app/Contents/Frameworks/Bar.framework/bin"})
        EXPECT_TRUE(all.entries.count(path)) << path;
    EXPECT_TRUE(all.entries.at("Apps/Foo.app/Contents/Frameworks/Bar.framework").package);
    EXPECT_TRUE(all.listed.at("Apps/Foo.app").isPackage);
    EXPECT_EQ(all.listed.at("Apps/Loud.APP").entryCount, 0);

    // The extension decides, in any case.
    for (const char* yes : {"Foo.app", "X.APP", "a.b.Framework", "Install.pkg", "Doc.rtfd", "Lib.photoslibrary"})
        EXPECT_TRUE(hasPackageExtension(std::string_view(yes))) << yes;
    for (const char* no : {"app", ".app", "Foo.app.zip", "Foo.", "Foo.apps", "archive.zip"})
        EXPECT_FALSE(hasPackageExtension(std::string_view(no))) << no;
    EXPECT_TRUE(hasPackageExtension(QStringLiteral("设置.prefPane")));
    EXPECT_TRUE(packageExtensions().contains(QStringLiteral("xpc")));
}

TEST_F(TempTree, LinksAreYieldedAsLinksAndNeverFollowedAndNamesAreBytesWhateverTheyHold)
{
    QTemporaryDir outside;
    TreeBuilder elsewhere(outside.path());
    elsewhere.file(QStringLiteral("secret/outside.txt"));

    tree.file(QStringLiteral("real/inside.txt"), 100);
    tree.symlink(QStringLiteral("to-file"), QStringLiteral("real/inside.txt"));
    tree.symlink(QStringLiteral("to-folder"), tree.path(QStringLiteral("real")));
    tree.symlink(QStringLiteral("to-outside"), elsewhere.path(QStringLiteral("secret")));
    tree.symlink(QStringLiteral("dangling"), QStringLiteral("nowhere/at/all"));
    tree.symlink(QStringLiteral("loop-a"), QStringLiteral("loop-b"));
    tree.symlink(QStringLiteral("loop-b"), QStringLiteral("loop-a"));
    tree.symlink(QStringLiteral("real/up"), QStringLiteral(".."));
    const std::vector<std::string> names = {"with space.txt", "line\nbreak.txt", "bad-\xff\xfe-utf8.bin",
                                            "中文 名字.txt",  "tab\there",       "dir \n\xc3/inner \xff.txt"};
    for (const std::string& n : names)
        tree.fileBytes(n);

    const WalkResult walk = walkTree(tree.root(), {}, true);

    std::set<std::string> expected(names.begin(), names.end());
    expected.insert({"dir \n\xc3", "real", "real/inside.txt", "real/up", "to-file", "to-folder", "to-outside",
                     "dangling", "loop-a", "loop-b"});
    EXPECT_EQ(keys(walk.entries), expected);
    for (const char* link : {"real/up", "to-file", "to-folder", "to-outside", "dangling", "loop-a", "loop-b"}) {
        EXPECT_EQ(walk.entries.at(link).kind, EntryKind::symlink) << link;
        EXPECT_FALSE(walk.entries.at(link).package) << link;
    }
    // The link's own size (the length of its target), never the target's.
    EXPECT_EQ(walk.entries.at("to-file").logical, qint64(std::string("real/inside.txt").size()));
    EXPECT_EQ(walk.entries.at("dangling").logical, qint64(std::string("nowhere/at/all").size()));
}

TEST_F(TempTree, SkippedFoldersAreNotEnteredAFanOutEntersWhatAnyScannerWantsAndSizesAreReadOnRequest)
{
    tree.file(QStringLiteral("a/one.txt"));
    tree.file(QStringLiteral("b/two.txt"));
    tree.file(QStringLiteral("c/three.txt"));

    Recorder first;
    Recorder second;
    first.rootPrefix = second.rootPrefix = TreeBuilder::bytes(tree.root());
    first.skip = {"a", "b"};
    second.skip = {"b"};
    WalkFanOut fanOut({&first, &second});
    const std::vector<WalkVisitor*> visitors = {&fanOut};
    Walker::walk(tree.root(), {.threads = 1}, visitors);

    EXPECT_EQ(keys(first.entries), (std::set<std::string>{"a", "a/one.txt", "b", "c", "c/three.txt"}));
    EXPECT_EQ(keys(second.entries), keys(first.entries));
    EXPECT_EQ(first.folders.size(), 3u); // root, a and c; b was entered by no one

    // Sizes and the birth time are read on request.
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    const QString data = tree.file(QStringLiteral("data.bin"), 10000);
    tree.sparseFile(QStringLiteral("sparse.img"), qint64(1) << 30, 4096);
    tree.file(QStringLiteral("empty"));
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    // A modification time far in the past must not pass for the birth time.
    const struct timeval old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimes(TreeBuilder::bytes(data).c_str(), old), 0);

    const WalkResult walk = walkTree(tree.root(), {}, true);

    const Seen& d = walk.entries.at("data.bin");
    EXPECT_EQ(d.logical, 10000);
    EXPECT_EQ(d.allocated, TreeBuilder::allocatedBytes(data));
    EXPECT_GE(*d.allocated, 10000);
    EXPECT_EQ(d.shownSize, *d.allocated);

    const Seen& s = walk.entries.at("sparse.img");
    EXPECT_EQ(s.logical, qint64(1) << 30);
    EXPECT_LT(*s.allocated, qint64(1) << 20) << "the hole was counted";
    EXPECT_EQ(s.shownSize, *s.allocated);

    EXPECT_EQ(walk.entries.at("empty").allocated, 0);
    EXPECT_EQ(walk.entries.at("empty").shownSize, 0);

    if (!d.birth)
        GTEST_SKIP() << "this file system records no birth time";
    // Birth times may be truncated to the file system's granularity.
    EXPECT_GE(*d.birth, before - 1000);
    EXPECT_LE(*d.birth, after + 1000);
}

// Root ignores permissions, so the check runs again as "nobody" in a child process of this
// same test binary; the child finds the tree through this variable.
TEST(Walker, PassesOverFoldersItCannotRead)
{
    const QByteArray given = qgetenv("SWEEPORA_UNREADABLE_TREE");
    QTemporaryDir dir;
    const QString root = given.isEmpty() ? dir.path() : QFile::decodeName(given);
    if (given.isEmpty()) {
        TreeBuilder tree(root);
        tree.file(QStringLiteral("before/a.txt"));
        tree.file(QStringLiteral("locked/hidden-away.txt"));
        tree.file(QStringLiteral("listable/not-statable.txt"), 10);
        tree.file(QStringLiteral("listable/sub/deeper.txt"));
        tree.file(QStringLiteral("after/b.txt"));
        tree.chmod(QString(), 0755);
        tree.chmod(QStringLiteral("locked"), 0);
        tree.chmod(QStringLiteral("listable"), 0444); // names can be read, nothing inside reached
    }
    QProcessEnvironment shared;
    shared.insert(QStringLiteral("SWEEPORA_UNREADABLE_TREE"), root);
    if (!Sweepora::Test::ChildProcess::enter(Sweepora::Test::ChildProcess::Unprivileged, shared)) {
        TreeBuilder(root).chmod(QStringLiteral("locked"), 0755);
        TreeBuilder(root).chmod(QStringLiteral("listable"), 0755);
        return;
    }

    Sandbox::reset();
    Sandbox::openScope(root);
    const WalkResult walk = walkTree(root, {}, true);
    EXPECT_EQ(keys(walk.entries),
              (std::set<std::string>{"before", "before/a.txt", "locked", "listable", "listable/not-statable.txt",
                                     "listable/sub", "after", "after/b.txt"}));
    EXPECT_FALSE(walk.listed.count("locked"));
    EXPECT_FALSE(walk.listed.count("listable/sub"));
    EXPECT_EQ(walk.entries.at("listable/not-statable.txt").logical, std::nullopt);
    EXPECT_EQ(walk.entries.at("listable/not-statable.txt").shownSize, 0);
    if (given.isEmpty()) // not root: this process made the tree and must be able to remove it
        TreeBuilder::removeTree(TreeBuilder::bytes(root));
}
