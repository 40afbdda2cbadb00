#include "rules/RuleScanEngine.h"
#include "platform/Log.h"
#include "platform/PlatformLayout.h"
#include "platform/Sandbox.h"
#include "support/TrashFakes.h"
#include "support/TreeBuilder.h"
#include "trash/ProtectedPlaces.h"
#include "trash/Trash.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

class RuleScanEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_home = m_dir.path() + QStringLiteral("/home");
        m_tree = std::make_unique<TreeBuilder>(m_home);
        m_tree->folder(QStringLiteral("."));
        Sandbox::openScope(m_home);
    }
    void TearDown() override { Sandbox::reset(); }

    static CleanupRule rule(const QString& name, const QStringList& paths, const QString& pack = QStringLiteral("p"))
    {
        return CleanupRule{true, name, paths, 0, pack, QStringLiteral("d")};
    }

    QTemporaryDir m_dir;
    QString m_home;
    std::unique_ptr<TreeBuilder> m_tree;
};

TEST_F(RuleScanEngineTest, ListsRegularFilesOnceSkippingHiddenButEnteringPackages)
{
    m_tree->file(QStringLiteral("c/a.bin"), 10);
    m_tree->file(QStringLiteral("c/sub/b.bin"), 20);
    m_tree->file(QStringLiteral("c/.hidden"), 1000);
    m_tree->file(QStringLiteral("c/.git/objects/x"), 1000);
    m_tree->file(QStringLiteral("c/Tool.app/Contents/blob"), 5);
    m_tree->symlink(QStringLiteral("c/link"), m_tree->path(QStringLiteral("c/a.bin")));
    m_tree->file(QStringLiteral("outside.bin"), 7);

    // Overlapping paths count a file once.
    const std::optional<CleanupResult> r = RuleScanEngine::scanRule(
        rule(QStringLiteral("R"), {QStringLiteral("USERFOLDER/c"), QStringLiteral("USERFOLDER/c/sub")}), m_home);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->files,
              (QStringList{m_tree->path(QStringLiteral("c/Tool.app/Contents/blob")),
                           m_tree->path(QStringLiteral("c/a.bin")), m_tree->path(QStringLiteral("c/sub/b.bin"))}));
    EXPECT_EQ(r->size, 35);
    EXPECT_EQ(r->id, QStringLiteral("pR"));
    EXPECT_EQ(r->accessPath, m_tree->path(QStringLiteral("c")));
    EXPECT_FALSE(r->selected);
}

TEST_F(RuleScanEngineTest, OverlappingPathsListEachFileOnceAndOnlyTheFirstWalkMovesFoldersWhole)
{
    for (const char* f : {"a/b/1", "a/b/sub/2", "a/bc/3", "a/x/4"})
        m_tree->file(QString::fromLatin1(f), 10);
    const auto list = [&](std::initializer_list<const char*> relative) {
        QStringList paths;
        for (const char* r : relative)
            paths.append(m_tree->path(QString::fromLatin1(r)));
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
        const std::optional<CleanupResult> r = RuleScanEngine::scanRule(rule(QStringLiteral("O"), paths), m_home);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->files, list(c.files));
        EXPECT_EQ(r->size, 10 * qint64(c.files.size()));
        QStringList whole;
        for (const WholeFolder& w : r->wholeFolders)
            whole.append(w.path);
        EXPECT_EQ(whole, list(c.whole)) << whole.join(u' ').toStdString();
    }
}

TEST_F(RuleScanEngineTest, NothingFoundOrOnlyEmptyFilesGivesNoResult)
{
    m_tree->file(QStringLiteral("empty/zero"), 0);
    m_tree->file(QStringLiteral("single"), 100);
    EXPECT_FALSE(RuleScanEngine::scanRule(rule(QStringLiteral("A"), {QStringLiteral("USERFOLDER/empty")}), m_home));
    EXPECT_FALSE(RuleScanEngine::scanRule(rule(QStringLiteral("B"), {QStringLiteral("USERFOLDER/missing")}), m_home));
    // A path naming a single file contributes nothing: only what lies below a folder counts.
    EXPECT_FALSE(RuleScanEngine::scanRule(rule(QStringLiteral("C"), {QStringLiteral("USERFOLDER/single")}), m_home));
    EXPECT_FALSE(RuleScanEngine::scanRule(rule(QStringLiteral("D"), {QStringLiteral("nonsense")}), m_home));

    // With no PUBLIC_DATA candidate present the first is listed and finds nothing; once it exists it counts.
    const CleanupRule publicData = rule(QStringLiteral("E"), {QStringLiteral("PUBLIC_DATA/com.x/Caches/y")});
    EXPECT_FALSE(RuleScanEngine::scanRule(publicData, m_home));
    m_tree->file(QStringLiteral("Library/Containers/com.x/Data/Library/Caches/y/f"), 9);
    EXPECT_EQ(RuleScanEngine::scanRule(publicData, m_home).value().size, 9);
}

TEST_F(RuleScanEngineTest, AStarPieceNamesEveryRealVersionFolderAndOnlyItsNamedSubfolder)
{
    const QString a = m_tree->file(QStringLiteral("ide/Tool2023.1/caches/a"), 4);
    const QString b = m_tree->file(QStringLiteral("ide/Tool2024.2/caches/b"), 6);
    m_tree->file(QStringLiteral("ide/Tool2024.2/LocalHistory/keep"), 100);
    m_tree->file(QStringLiteral("ide/Other2024.2/caches/keep"), 100);
    m_tree->file(QStringLiteral("ide/Toolbox/caches/keep"), 100); // "*" is a version, "box" is not
    m_tree->file(QStringLiteral("ide/ToolFile/caches"), 100);     // a file, not a folder
    QTemporaryDir elsewhere;
    TreeBuilder(elsewhere.path()).file(QStringLiteral("Tool9/caches/secret"), 100);
    m_tree->symlink(QStringLiteral("ide/ToolLink"), elsewhere.path() + QStringLiteral("/Tool9"));
    Sandbox::openScope(elsewhere.path());

    const CleanupRule wild = rule(QStringLiteral("W"), {QStringLiteral("USERFOLDER/ide/Tool*/caches")});
    const std::optional<CleanupResult> r = RuleScanEngine::scanRule(wild, m_home);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->files, (QStringList{a, b}));
    EXPECT_EQ(r->size, 10);
    EXPECT_EQ(r->accessPath, m_tree->path(QStringLiteral("ide")));
    EXPECT_FALSE(
        RuleScanEngine::scanRule(rule(QStringLiteral("X"), {QStringLiteral("USERFOLDER/none/*/caches")}), m_home));
}

TEST_F(RuleScanEngineTest, PathsOutsideTheOpenScopeFindNothing)
{
    QTemporaryDir elsewhere;
    TreeBuilder other(elsewhere.path());
    other.file(QStringLiteral("secret/f"), 50);
    m_tree->file(QStringLiteral("mine/f"), 50);
    for (const QString& p :
         {QStringLiteral("/"), QStringLiteral("USERFOLDER/../.."), elsewhere.path() + QStringLiteral("/secret")})
        EXPECT_FALSE(RuleScanEngine::scanRule(rule(QStringLiteral("R"), {p}), m_home)) << p.toStdString();
}

TEST_F(RuleScanEngineTest, ResultsSortLargestFirstThenByNameIgnoringCaseAndReportProgress)
{
    m_tree->file(QStringLiteral("a/f"), 10);
    m_tree->file(QStringLiteral("b/f"), 10);
    m_tree->file(QStringLiteral("c/f"), 30);
    const QList<CleanupRule> rules = {rule(QStringLiteral("beta"), {QStringLiteral("USERFOLDER/a")}),
                                      rule(QStringLiteral("Alpha"), {QStringLiteral("USERFOLDER/b")}),
                                      rule(QStringLiteral("none"), {QStringLiteral("USERFOLDER/zz")}),
                                      rule(QStringLiteral("gamma"), {QStringLiteral("USERFOLDER/c")})};
    QStringList progress;
    const QList<CleanupResult> results = RuleScanEngine::scanRules(
        rules, m_home, {}, [&](int i, const QString& name) { progress << QString::number(i) + name; });
    ASSERT_EQ(results.size(), 3);
    EXPECT_EQ(results[0].rule.name, QStringLiteral("gamma"));
    EXPECT_EQ(results[1].rule.name, QStringLiteral("Alpha"));
    EXPECT_EQ(results[2].rule.name, QStringLiteral("beta"));
    EXPECT_EQ(progress, (QStringList{QStringLiteral("0beta"), QStringLiteral("1Alpha"), QStringLiteral("2none"),
                                     QStringLiteral("3gamma")}));
    EXPECT_EQ(RuleScanEngine::resultMessage(3), QStringLiteral("发现 3 项可清理内容"));
    EXPECT_EQ(RuleScanEngine::resultMessage(0), QStringLiteral("没有发现可清理的内容"));
}

TEST_F(RuleScanEngineTest, CleanKeepsAResultWithAFailedFileAndLogsIt)
{
    const QString a1 = m_tree->file(QStringLiteral("a/1"), 10);
    const QString a2 = m_tree->file(QStringLiteral("a/2"), 10);
    const QString b1 = m_tree->file(QStringLiteral("b/1"), 10);
    auto trash = std::make_shared<FailingTrash>(std::make_shared<RecordingTrash>());
    trash->failPath(a2, QStringLiteral("没有权限"));
    Trash::setCurrent(trash);
    QStringList log;
    Log::setSink([&](const QString& line) { log << line; });
    QList<CleanupResult> selection;
    selection << *RuleScanEngine::scanRule(rule(QStringLiteral("A"), {QStringLiteral("USERFOLDER/a")}), m_home);
    selection << *RuleScanEngine::scanRule(rule(QStringLiteral("B"), {QStringLiteral("USERFOLDER/b")}), m_home);

    const RuleScanEngine::CleanOutcome outcome = RuleScanEngine::clean(selection);
    Log::setSink(nullptr);
    Trash::setCurrent(nullptr);

    EXPECT_EQ(outcome.completedIDs, (QSet<QString>{QStringLiteral("pB")}));
    EXPECT_EQ(outcome.moved, (QStringList{a1, b1}));
    EXPECT_EQ(outcome.message, QStringLiteral("部分文件未能移到废纸篓，请重试"));
    EXPECT_EQ(log, QStringList{QStringLiteral("[TaskClean] 移到废纸篓失败：") + a2 + QStringLiteral("，没有权限")});
}

TEST_F(RuleScanEngineTest, AFolderMovesWholeOnlyWhenEveryEntryBelowItIsAListedFile)
{
    // Whole: only listed files, at any depth. Each other folder holds something the scan did not
    // list, which must stay where it is.
    const QString whole = m_tree->folder(QStringLiteral("c/whole"));
    m_tree->file(QStringLiteral("c/whole/1"), 10);
    m_tree->file(QStringLiteral("c/whole/deep/er/2"), 10);
    m_tree->file(QStringLiteral("c/hidden/1"), 10);
    m_tree->file(QStringLiteral("c/hidden/.keep"), 10);
    m_tree->file(QStringLiteral("c/link/1"), 10);
    m_tree->symlink(QStringLiteral("c/link/to"), m_dir.path());
    m_tree->file(QStringLiteral("c/fifo/1"), 10);
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_tree->path(QStringLiteral("c/fifo/pipe"))).constData(), 0600), 0);
    m_tree->file(QStringLiteral("c/kept/1"), 10);
    m_tree->file(QStringLiteral("c/kept/protected/2"), 10);
    const QString top = m_tree->file(QStringLiteral("c/top"), 10);
    ASSERT_TRUE(ProtectedPlaces::addUserPath(m_tree->path(QStringLiteral("c/kept/protected"))));
    auto trash = std::make_shared<RecordingTrash>(Trash::platform());
    Trash::setCurrent(trash);

    const CleanupResult result =
        *RuleScanEngine::scanRule(rule(QStringLiteral("C"), {QStringLiteral("USERFOLDER/c")}), m_home);
    const RuleScanEngine::CleanOutcome outcome = RuleScanEngine::clean({result});
    Trash::setCurrent(nullptr);
    ProtectedPlaces::removeUserPath(m_tree->path(QStringLiteral("c/kept/protected")));

    QStringList requested = trash->requests();
    requested.sort();
    const QString c = m_tree->path(QStringLiteral("c/"));
    EXPECT_EQ(requested, (QStringList{c + QStringLiteral("fifo/1"), c + QStringLiteral("hidden/1"),
                                      c + QStringLiteral("kept/1"), c + QStringLiteral("link/1"), top, whole}))
        << requested.join(u' ').toStdString();
    EXPECT_EQ(outcome.moved.size(), result.files.size()) << "told per file, as listed";
    EXPECT_TRUE(outcome.moved.contains(whole + QStringLiteral("/deep/er/2")));
    for (const char* stays : {"c/hidden/.keep", "c/link/to", "c/fifo/pipe", "c/kept/protected/2"})
        EXPECT_TRUE(QFileInfo(m_tree->path(QString::fromLatin1(stays))).isSymLink() ||
                    QFileInfo::exists(m_tree->path(QString::fromLatin1(stays))))
            << stays;
    EXPECT_FALSE(QFileInfo::exists(whole));
}

} // namespace
