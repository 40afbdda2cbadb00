// The rule scan over real trees, the paths rules name, and the task-clean view model on top.
#include "core/rules/RuleScanEngine.h"
#include "core/access/AccessManager.h"
#include "core/platform/Bookmark.h"
#include "core/platform/Jobs.h"
#include "core/platform/Sandbox.h"
#include "core/platform/Settings.h"
#include "core/rules/CleanupViewModel.h"
#include "core/rules/RulePath.h"
#include "core/trash/ProtectedPlaces.h"
#include "core/trash/Trash.h"
#include "support/HomeFixture.h"
#include "support/ScopedTreeFixture.h"
#include "support/TrashFakes.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

class RuleScanEngineTest : public ScopedTreeFixture
{
protected:
    static CleanupRule rule(const QString& name, const QStringList& paths, const QString& pack = u"p"_s)
    {
        return CleanupRule{true, name, paths, 0, pack, u"d"_s};
    }
};

TEST_F(RuleScanEngineTest, ListsRegularFilesOnceSkippingHiddenButEnteringPackagesAndAStarPieceNamesVersionFolders)
{
    m_tree.file(u"c/a.bin"_s, 10);
    m_tree.file(u"c/sub/b.bin"_s, 20);
    m_tree.file(u"c/.hidden"_s, 1000);
    m_tree.file(u"c/.git/objects/x"_s, 1000);
    m_tree.file(u"c/Tool.app/Contents/blob"_s, 5);
    m_tree.symlink(u"c/link"_s, m_tree.path(u"c/a.bin"_s));
    m_tree.file(u"outside.bin"_s, 7);

    // Overlapping paths count a file once.
    const std::optional<CleanupResult> r =
        RuleScanEngine::scanRule(rule(u"R"_s, {u"USERFOLDER/c"_s, u"USERFOLDER/c/sub"_s}), home());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->files, (QStringList{m_tree.path(u"c/Tool.app/Contents/blob"_s), m_tree.path(u"c/a.bin"_s),
                                     m_tree.path(u"c/sub/b.bin"_s)}));
    EXPECT_EQ(r->size, 35);
    EXPECT_EQ(r->id, u"pR"_s);
    EXPECT_EQ(r->accessPath, m_tree.path(u"c"_s));

    // A "*" piece names every real version folder, and only its named subfolder.
    const QString a = m_tree.file(u"ide/Tool2023.1/caches/a"_s, 4);
    const QString b = m_tree.file(u"ide/Tool2024.2/caches/b"_s, 6);
    m_tree.file(u"ide/Tool2024.2/LocalHistory/keep"_s, 100);
    m_tree.file(u"ide/Other2024.2/caches/keep"_s, 100);
    m_tree.file(u"ide/Toolbox/caches/keep"_s, 100); // "*" is a version, "box" is not
    m_tree.file(u"ide/ToolFile/caches"_s, 100);     // a file, not a folder
    QTemporaryDir elsewhere;
    TreeBuilder(elsewhere.path()).file(u"Tool9/caches/secret"_s, 100);
    m_tree.symlink(u"ide/ToolLink"_s, elsewhere.path() + u"/Tool9"_s);
    Sandbox::openScope(elsewhere.path());

    const CleanupRule wild = rule(u"W"_s, {u"USERFOLDER/ide/Tool*/caches"_s});
    const std::optional<CleanupResult> versions = RuleScanEngine::scanRule(wild, home());
    ASSERT_TRUE(versions);
    EXPECT_EQ(versions->files, (QStringList{a, b}));
    EXPECT_EQ(versions->size, 10);
    EXPECT_EQ(versions->accessPath, m_tree.path(u"ide"_s));
    EXPECT_FALSE(RuleScanEngine::scanRule(rule(u"X"_s, {u"USERFOLDER/none/*/caches"_s}), home()));
}

TEST_F(RuleScanEngineTest, OverlappingPathsListEachFileOnceAndOnlyTheFirstWalkMovesFoldersWhole)
{
    for (const char* f : {"a/b/1", "a/b/sub/2", "a/bc/3", "a/x/4"})
        m_tree.file(QString::fromLatin1(f), 10);
    const auto list = [&](std::initializer_list<const char*> relative) {
        QStringList paths;
        for (const char* r : relative)
            paths.append(m_tree.path(QString::fromLatin1(r)));
        return paths;
    };
    struct Case
    {
        std::initializer_list<const char*> paths, files, whole;
    };
    const Case cases[] = {
        // Siblings that share a prefix do not overlap: both move their folders whole.
        {{"a/b", "a/bc", "a/x"}, {"a/b/1", "a/b/sub/2", "a/bc/3", "a/x/4"}, {"a/b/sub"}},
        {{"a", "a/b"}, {"a/b/1", "a/b/sub/2", "a/bc/3", "a/x/4"}, {"a/b", "a/bc", "a/x"}},
        {{"a/b/sub", "a/bc", "a"}, {"a/b/sub/2", "a/bc/3", "a/b/1", "a/x/4"}, {}},
        {{"a/b", "a/b", "a/bc/"}, {"a/b/1", "a/b/sub/2", "a/bc/3"}, {"a/b/sub"}},
    };
    for (const Case& c : cases) {
        QStringList paths;
        for (const char* p : c.paths)
            paths.append(QStringLiteral("USERFOLDER/") + QString::fromLatin1(p));
        SCOPED_TRACE(paths.join(u' ').toStdString());
        const std::optional<CleanupResult> r = RuleScanEngine::scanRule(rule(QStringLiteral("O"), paths), home());
        ASSERT_TRUE(r);
        EXPECT_EQ(r->files, list(c.files));
        EXPECT_EQ(r->size, 10 * qint64(c.files.size()));
        QStringList whole;
        for (const WholeFolder& w : r->wholeFolders)
            whole.append(w.path);
        EXPECT_EQ(whole, list(c.whole)) << whole.join(u' ').toStdString();
    }
}

TEST_F(RuleScanEngineTest, NothingFoundOnlyEmptyFilesOrPathsOutsideTheOpenScopeGiveNoResult)
{
    m_tree.file(u"empty/zero"_s, 0);
    m_tree.file(u"single"_s, 100);
    EXPECT_FALSE(RuleScanEngine::scanRule(rule(u"A"_s, {u"USERFOLDER/empty"_s}), home()));
    EXPECT_FALSE(RuleScanEngine::scanRule(rule(u"B"_s, {u"USERFOLDER/missing"_s}), home()));
    // A path naming a single file contributes nothing: only what lies below a folder counts.
    EXPECT_FALSE(RuleScanEngine::scanRule(rule(u"C"_s, {u"USERFOLDER/single"_s}), home()));
    EXPECT_FALSE(RuleScanEngine::scanRule(rule(u"D"_s, {u"nonsense"_s}), home()));
    QTemporaryDir elsewhere;
    TreeBuilder(elsewhere.path()).file(u"secret/f"_s, 50);
    m_tree.file(u"mine/f"_s, 50);
    for (const QString& p : {u"/"_s, u"USERFOLDER/../.."_s, elsewhere.path() + u"/secret"_s})
        EXPECT_FALSE(RuleScanEngine::scanRule(rule(u"R"_s, {p}), home())) << p.toStdString();

    // With no PUBLIC_DATA candidate present the first is listed and finds nothing; once it exists it counts.
    const CleanupRule publicData = rule(u"E"_s, {u"PUBLIC_DATA/com.x/Caches/y"_s});
    EXPECT_FALSE(RuleScanEngine::scanRule(publicData, home()));
    m_tree.file(u"Library/Containers/com.x/Data/Library/Caches/y/f"_s, 9);
    EXPECT_EQ(RuleScanEngine::scanRule(publicData, home()).value().size, 9);
}

TEST_F(RuleScanEngineTest, ResultsSortLargestFirstThenByNameIgnoringCaseAndReportProgress)
{
    m_tree.file(u"a/f"_s, 10);
    m_tree.file(u"b/f"_s, 10);
    m_tree.file(u"c/f"_s, 30);
    const QList<CleanupRule> rules = {rule(u"beta"_s, {u"USERFOLDER/a"_s}), rule(u"Alpha"_s, {u"USERFOLDER/b"_s}),
                                      rule(u"none"_s, {u"USERFOLDER/zz"_s}), rule(u"gamma"_s, {u"USERFOLDER/c"_s})};
    QStringList progress;
    QStringList names;
    for (const CleanupResult& r : RuleScanEngine::scanRules(
             rules, home(), {}, [&](int i, const QString&name) { progress << QString::number(i) + name; }))
        names << r.rule.name;
    EXPECT_EQ(names, (QStringList{u"gamma"_s, u"Alpha"_s, u"beta"_s}));
    EXPECT_EQ(progress, (QStringList{u"0beta"_s, u"1Alpha"_s, u"2none"_s, u"3gamma"_s}));
}

TEST_F(RuleScanEngineTest, CleanKeepsAResultWithAFailedFileAndAFolderMovesWholeOnlyWhenEverythingBelowIsListed)
{
    const QString a1 = m_tree.file(u"a/1"_s, 10);
    const QString a2 = m_tree.file(u"a/2"_s, 10);
    const QString b1 = m_tree.file(u"b/1"_s, 10);
    auto trash = std::make_shared<FailingTrash>(std::make_shared<RecordingTrash>());
    trash->failPath(a2, u"没有权限"_s);
    Trash::setCurrent(trash);
    QList<CleanupResult> selection;
    selection << *RuleScanEngine::scanRule(rule(u"A"_s, {u"USERFOLDER/a"_s}), home());
    selection << *RuleScanEngine::scanRule(rule(u"B"_s, {u"USERFOLDER/b"_s}), home());

    const RuleScanEngine::CleanOutcome outcome = RuleScanEngine::clean(selection);
    Trash::setCurrent(nullptr);

    EXPECT_EQ(outcome.completedIDs, (QSet<QString>{u"pB"_s}));
    EXPECT_EQ(outcome.moved, (QStringList{a1, b1}));
    EXPECT_EQ(outcome.message, u"部分文件未能移到废纸篓，请重试"_s);
    EXPECT_EQ(loggedLines(), QStringList{u"[TaskClean] 移到废纸篓失败："_s + a2 + u"，没有权限"_s});

    // Whole: only listed files, at any depth. Each other folder holds something the scan did not
    // list, which must stay where it is.
    const QString whole = m_tree.folder(u"c/whole"_s);
    m_tree.file(u"c/whole/1"_s, 10);
    m_tree.file(u"c/whole/deep/er/2"_s, 10);
    m_tree.file(u"c/hidden/1"_s, 10);
    m_tree.file(u"c/hidden/.keep"_s, 10);
    m_tree.file(u"c/link/1"_s, 10);
    m_tree.symlink(u"c/link/to"_s, QDir::tempPath());
    m_tree.file(u"c/fifo/1"_s, 10);
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_tree.path(u"c/fifo/pipe"_s)).constData(), 0600), 0);
    m_tree.file(u"c/kept/1"_s, 10);
    m_tree.file(u"c/kept/protected/2"_s, 10);
    const QString top = m_tree.file(u"c/top"_s, 10);
    ASSERT_TRUE(ProtectedPlaces::addUserPath(m_tree.path(u"c/kept/protected"_s)));
    auto recorder = std::make_shared<RecordingTrash>(Trash::platform());
    Trash::setCurrent(recorder);

    const CleanupResult result = *RuleScanEngine::scanRule(rule(u"C"_s, {u"USERFOLDER/c"_s}), home());
    const RuleScanEngine::CleanOutcome wholeOutcome = RuleScanEngine::clean({result});
    Trash::setCurrent(nullptr);
    ProtectedPlaces::removeUserPath(m_tree.path(u"c/kept/protected"_s));

    QStringList requested = recorder->requests();
    requested.sort();
    const QString c = m_tree.path(u"c/"_s);
    EXPECT_EQ(requested,
              (QStringList{c + u"fifo/1"_s, c + u"hidden/1"_s, c + u"kept/1"_s, c + u"link/1"_s, top, whole}))
        << requested.join(u' ').toStdString();
    EXPECT_EQ(wholeOutcome.moved.size(), result.files.size()) << "told per file, as listed";
    EXPECT_TRUE(wholeOutcome.moved.contains(whole + u"/deep/er/2"_s));
    for (const char* stays : {"c/hidden/.keep", "c/link/to", "c/fifo/pipe", "c/kept/protected/2"})
        EXPECT_TRUE(QFileInfo::exists(m_tree.path(QString::fromLatin1(stays)))) << stays; // the link leads to a folder
    EXPECT_FALSE(QFileInfo::exists(whole));
}

// An existence test over a fixed set of paths that records what it was asked, in order.
struct FakeFileSystem
{
    QSet<QString> existing;
    QStringList asked;

    std::optional<QString> resolve(const QString& rulePath, const LegacyGrantLookup& lookup = {})
    {
        return resolveRulePath(rulePath, u"/home/u"_s, lookup, [this](const QString& path) {
            asked << path;
            return existing.contains(path);
        });
    }
};

TEST(RulePath, AbsoluteHomeRelativeAndUnknownFormsThenLegacyGrants)
{
    FakeFileSystem fs;
    EXPECT_EQ(fs.resolve(u"/var//log/./x/"_s), u"/var/log/x"_s);
    EXPECT_EQ(fs.resolve(u"USERFOLDER/Library/Caches/a b/"_s), u"/home/u/Library/Caches/a b"_s);
    EXPECT_EQ(fs.resolve(u"USERFOLDER/a/../../other"_s), u"/home/other"_s);
    for (const QString& p : {QString(), u"Library/Caches"_s, u"USERFOLDER"_s, u"userfolder/x"_s, u"~/x"_s,
                             u"PUBLIC_DATA"_s, u"PUBLIC_DATA/com.x"_s, u"PUBLIC_DATA/com.x//"_s})
        EXPECT_FALSE(fs.resolve(p).has_value()) << p.toStdString();
    EXPECT_TRUE(fs.asked.isEmpty());

    // A legacy grant comes after the home and before PUBLIC_DATA.
    QStringList looked;
    const LegacyGrantLookup lookup = [&looked](const QString& p) -> std::optional<QString> {
        looked << p;
        if (p == QLatin1String("PUBLIC_DATA/com.a/x") || p == QLatin1String("my-old-grant"))
            return u"/granted/folder/"_s;
        return std::nullopt;
    };
    EXPECT_EQ(fs.resolve(u"my-old-grant"_s, lookup), u"/granted/folder"_s);
    EXPECT_EQ(fs.resolve(u"PUBLIC_DATA/com.a/x"_s, lookup), u"/granted/folder"_s);
    EXPECT_EQ(fs.resolve(u"PUBLIC_DATA/com.b/x"_s, lookup),
              u"/home/u/Library/Containers/com.b/Data/Library/Caches/x"_s);
    fs.resolve(u"/x"_s, lookup);
    fs.resolve(u"USERFOLDER/x"_s, lookup);
    EXPECT_EQ(looked, QStringList({u"my-old-grant"_s, u"PUBLIC_DATA/com.a/x"_s, u"PUBLIC_DATA/com.b/x"_s}));
}

TEST(RulePath, PublicDataTakesTheFirstExistingCandidateAndLooksInsideTheContainersCachesFirst)
{
    const QString container = u"/home/u/Library/Containers/com.tencent.mm/Data"_s;
    const QStringList candidates = {
        container + u"/Library/Caches/MicroMsg/wxacache"_s,
        container + u"/Library/Application Support/MicroMsg/wxacache"_s,
        container + u"/Documents/MicroMsg/wxacache"_s,
        u"/home/u/Library/Application Support/com.tencent.mm/MicroMsg/wxacache"_s,
        u"/home/u/Library/Application Support/MicroMsg/wxacache"_s,
    };
    FakeFileSystem none;
    EXPECT_EQ(none.resolve(u"PUBLIC_DATA/com.tencent.mm/MicroMsg/wxacache"_s), candidates.first());
    EXPECT_EQ(none.asked, candidates);
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        FakeFileSystem fs;
        for (qsizetype j = i; j < candidates.size(); ++j)
            fs.existing.insert(candidates.at(j));
        // Empty pieces are dropped.
        EXPECT_EQ(fs.resolve(u"PUBLIC_DATA//com.tencent.mm//MicroMsg/wxacache/"_s), candidates.at(i)) << i;
    }

    // PUBLIC_DATA caches look inside the container's caches first, on the real file system too.
    const QString caches = u"/home/u/Library/Containers/com.x/Data/Library/Caches"_s;
    FakeFileSystem fs;
    EXPECT_EQ(fs.resolve(u"PUBLIC_DATA/com.x/Caches/web"_s), caches + u"/web"_s);
    EXPECT_EQ(fs.asked.mid(0, 2), QStringList({caches + u"/web"_s, caches + u"/Caches/web"_s}));
    EXPECT_EQ(fs.asked.size(), 6);
    EXPECT_EQ(fs.resolve(u"PUBLIC_DATA/com.x/Caches"_s), caches);

    FakeFileSystem later; // the general candidates still follow
    later.existing.insert(u"/home/u/Library/Application Support/com.x/Caches/web"_s);
    EXPECT_EQ(later.resolve(u"PUBLIC_DATA/com.x/Caches/web"_s),
              u"/home/u/Library/Application Support/com.x/Caches/web"_s);

    FakeFileSystem lower; // only the exact piece "Caches" counts
    lower.resolve(u"PUBLIC_DATA/com.x/caches/y"_s);
    EXPECT_EQ(lower.asked.size(), 5);

    // The default existence test is the real file system.
    QTemporaryDir root;
    const QString support = root.filePath(u"Library/Application Support/com.x/logs"_s);
    const QString realCaches = root.filePath(u"Library/Containers/com.x/Data/Library/Caches"_s);
    ASSERT_TRUE(QDir().mkpath(support) && QDir().mkpath(realCaches));
    // A dangling link in the first place does not count as existing.
    ASSERT_TRUE(QFile::link(root.filePath(u"missing"_s), realCaches + u"/logs"_s));
    EXPECT_EQ(resolveRulePath(u"PUBLIC_DATA/com.x/logs"_s, root.path()), support);
}

class CleanupViewModelTest : public HomeFixture
{
protected:
    void SetUp() override
    {
        HomeFixture::SetUp();
        const QString rules = m_rules.path() + u"/Rules"_s;
        m_store = RuleStore({m_rules.path() + u"/none"_s}, rules);
        m_store.saveRule({true, u"Small"_s, {u"USERFOLDER/small"_s}, 0, u"a"_s, {}});
        m_store.saveRule({true, u"Big"_s, {u"USERFOLDER/big"_s}, 0, u"b"_s, {}});
        m_tree->file(u"small/f"_s, 10);
        m_bigFile = m_tree->file(u"big/f"_s, 500);
        m_tree->file(u"big/g"_s, 500);
    }

    QTemporaryDir m_rules;
    RuleStore m_store{QStringList{}, QString()};
    QString m_bigFile;
};

TEST_F(CleanupViewModelTest, ScanNeedsTheGrantPublishesSortedUnselectedResultsAndCleanKeepsWhatPartlyFailed)
{
    CleanupViewModel model(m_store);
    model.startScan(); // without a home grant only the message changes
    EXPECT_EQ(model.state(), ScanState::ready);

    grantHome();
    model.startScan();
    EXPECT_EQ(model.state(), ScanState::scanning);
    model.startScan(); // ignored while scanning
    ASSERT_TRUE(waitForState(model, ScanState::scanned));
    ASSERT_EQ(model.results().size(), 2);
    EXPECT_EQ(model.scanProgress(), 1.0);
    EXPECT_EQ(model.totalSize(), 1010);
    EXPECT_EQ(model.selectedSize(), 0);

    // Nothing ticked: clean does nothing at all.
    model.clean();
    EXPECT_EQ(model.state(), ScanState::scanned);
    model.toggleSelection(u"bBig"_s);
    EXPECT_EQ(model.selectedSize(), 1000);
    model.toggleSelection(u"aSmall"_s);
    EXPECT_EQ(model.selectedSize(), 1010);

    // One file of Big fails: Small goes, Big stays as it was, and the moved file still notifies.
    auto trash = std::make_shared<FailingTrash>(std::make_shared<RecordingTrash>());
    trash->failPath(m_bigFile);
    Trash::setCurrent(trash);
    model.clean();
    EXPECT_EQ(model.state(), ScanState::cleaning);
    ASSERT_TRUE(waitForState(model, ScanState::scanned));
    Trash::setCurrent(nullptr);
    EXPECT_EQ(trash->attempted().size(), 3);
    ASSERT_EQ(model.results().size(), 1);
    EXPECT_EQ(model.results()[0].rule.name, u"Big"_s);
    EXPECT_EQ(model.results()[0].files.size(), 2); // unchanged, failed file included
    EXPECT_TRUE(trashNoticesReach(1));
    EXPECT_TRUE(loggedLines().join(QLatin1Char('\n')).contains(u"[TaskClean] 移到废纸篓失败："_s + m_bigFile));
}

TEST_F(CleanupViewModelTest, AModelDestroyedMidScanPublishesNothingAndEveryRulesNameReachesTheModelInOrder)
{
    grantHome();
    auto* model = new CleanupViewModel(m_store);
    CleanupViewModel twin(m_store);
    QSignalSpy finished(model, &CleanupViewModel::scanFinished);
    QSignalSpy twinFinished(&twin, &CleanupViewModel::scanFinished);
    model->startScan();
    twin.startScan();
    // The job is out when the model goes (the sanitizer build catches a touch of the dead model).
    ASSERT_EQ(model->state(), ScanState::scanning);
    delete model;
    jobPool().waitForDone();
    // The twin, started alongside, shows what the scan hands back; the dead model got none of it.
    ASSERT_TRUE(waitUntil([&] { return twinFinished.count() == 1; }));
    EXPECT_EQ(twin.results().size(), 2);
    EXPECT_TRUE(finished.isEmpty());

    // Every rule's name reaches the model, in order.
    // Forty rules that each take well under the 40 ms a throttled progress would wait for.
    QStringList names;
    for (int i = 0; i < 40; ++i) {
        names.append(u"Rule %1"_s.arg(i, 2, 10, QLatin1Char('0')));
        m_store.saveRule({true, names.last(), {u"USERFOLDER/r%1"_s.arg(i)}, 0, u"r%1"_s.arg(i), {}});
    }
    CleanupViewModel named(m_store);
    QStringList shown;
    QObject::connect(&named, &CleanupViewModel::scanningRuleNameChanged,
                     [&] { shown.append(named.scanningRuleName()); });
    named.startScan();
    ASSERT_TRUE(waitForState(named, ScanState::scanned));
    shown.removeAll(u"Small"_s);
    shown.removeAll(u"Big"_s);
    names.append(u"扫描完成"_s);
    EXPECT_EQ(shown, names);
}

TEST_F(CleanupViewModelTest, APerPathGrantOutsideTheHomeIsReadAndCleanedThroughItsOwnRights)
{
    const QString elsewhere = makeFolder(u"elsewhere/Caches"_s);
    TreeBuilder(elsewhere).file(u"blob"_s, 300);
    const QString rulePath = u"PUBLIC_DATA/com.x/Caches"_s;
    Settings::store().setValue(AccessManager::legacyBookmarkKey(rulePath),
                               Bookmark::create(ScriptedFolderPicker::withRights(elsewhere)).value());
    const RuleStore store({m_rules.path() + u"/none"_s}, m_rules.path() + u"/legacy"_s);
    store.saveRule({true, u"Legacy"_s, {rulePath}, 0, u"l"_s, {}});
    grantHome();
    auto trash = std::make_shared<RecordingTrash>();
    Trash::setCurrent(trash);

    CleanupViewModel model(store);
    model.startScan();
    ASSERT_TRUE(waitForState(model, ScanState::scanned));
    ASSERT_EQ(model.results().size(), 1);
    EXPECT_EQ(model.totalSize(), 300);
    model.toggleAllSelection();
    model.clean();
    ASSERT_TRUE(waitForState(model, ScanState::scanned));
    EXPECT_EQ(trash->requests(), QStringList{elsewhere + u"/blob"_s});
}

TEST_F(RuleScanEngineTest, ACancelledScanListsNoRulePartlyWalked)
{
    // A rule cut short could list only some files of a folder and make the folder look wholly
    // cleanable: whatever a cancelled scan lists is exactly what the whole scan lists for it.
    QList<CleanupRule> rules;
    for (int r = 0; r < 8; ++r) {
        for (int f = 0; f < 40; ++f)
            m_tree.file(u"r%1/d%2/f"_s.arg(r).arg(f), 10);
        rules.append(rule(u"R%1"_s.arg(r), {u"USERFOLDER/r%1"_s.arg(r)}));
    }
    const QList<CleanupResult> whole = RuleScanEngine::scanRules(rules, home());
    ASSERT_EQ(whole.size(), 8);
    auto walk = std::make_shared<WalkProgress>();
    const QList<CleanupResult> cut = RuleScanEngine::scanRules(
        rules, home(), {},
        [&](int index, const QString&) {
            if (index == 2)
                walk->cancel();
        },
        walk);
    EXPECT_LT(cut.size(), 8);
    for (const CleanupResult& r : cut) {
        const auto same =
            std::find_if(whole.cbegin(), whole.cend(), [&](const CleanupResult& w) { return w.id == r.id; });
        ASSERT_NE(same, whole.cend());
        EXPECT_EQ(r.files, same->files);
        EXPECT_EQ(r.wholeFolders, same->wholeFolders);
    }
}

} // namespace
