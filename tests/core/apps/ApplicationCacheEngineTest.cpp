#include "apps/ApplicationCacheEngine.h"
#include "support/ApplicationFixture.h"
#include "support/TrashFakes.h"
#include "trash/Trash.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

class ApplicationCacheEngineTest : public ApplicationFixture
{
protected:
    void SetUp() override
    {
        ApplicationFixture::SetUp();
        grantHome();
    }
    QList<ApplicationCacheTarget> discover() const
    {
        return ApplicationCacheEngine::discoverTargets({sharedApps(), homeApps()}, home());
    }
    QList<ApplicationCleanupResult> scan() const { return ApplicationCacheEngine::scanTargets(discover(), {}); }
};

TEST_F(ApplicationCacheEngineTest, CandidateFoldersComeInTheirFixedOrder)
{
    const QStringList folders = ApplicationCacheEngine::cacheDirectories(QStringLiteral("B"), QStringLiteral("/h"));
    ASSERT_EQ(folders.size(), 20);
    EXPECT_EQ(folders[0], QStringLiteral("/h/Library/Caches/B"));
    EXPECT_EQ(folders[4], QStringLiteral("/h/Library/Application Support/B/Cache"));
    EXPECT_EQ(folders[10], QStringLiteral("/h/Library/Containers/B/Data/Library/Caches"));
    EXPECT_EQ(folders[19], QStringLiteral("/h/Library/Containers/B/Data/Library/Application Support/Temp"));
}

TEST_F(ApplicationCacheEngineTest, DiscoveryKeepsTheHomeCopyOncePerIdentifierAndOnlyTopLevelBundles)
{
    BundlePlist shared = BundleBuilder::binary(QStringLiteral("com.same"));
    shared.displayName = QStringLiteral("Shared Copy");
    BundlePlist own = BundleBuilder::xml(QStringLiteral("com.same"));
    own.bundleName = QStringLiteral("Home Copy");
    BundleBuilder::make(sharedApps() + QStringLiteral("/Same.app"), shared);
    BundleBuilder::make(homeApps() + QStringLiteral("/Same.app"), own);
    BundleBuilder::make(sharedApps() + QStringLiteral("/Utilities/Deep.app"),
                        BundleBuilder::xml(QStringLiteral("com.deep")));
    BundleBuilder::make(sharedApps() + QStringLiteral("/NoID.app"), BundlePlist{});
    BundleBuilder::make(sharedApps() + QStringLiteral("/Zed.app"), BundleBuilder::xml(QStringLiteral("Z.upper")));
    BundleBuilder::make(sharedApps() + QStringLiteral("/Nothing.app"),
                        BundleBuilder::xml(QStringLiteral("com.nothing")));
    for (const char* id : {"com.same", "com.deep", "Z.upper"})
        m_tree->folder(QStringLiteral("Library/Caches/") + QLatin1String(id));
    m_tree->folder(QStringLiteral("Library/Containers/com.same/Data/Library/Logs"));

    const QList<ApplicationCacheTarget> targets = discover();
    ASSERT_EQ(targets.size(), 2);
    // Code-point order: upper case first.
    EXPECT_EQ(targets[0].id, QStringLiteral("Z.upper"));
    EXPECT_EQ(targets[1].id, QStringLiteral("com.same"));
    EXPECT_EQ(targets[1].name, QStringLiteral("Home Copy"));
    EXPECT_EQ(targets[1].directories,
              (QStringList{library() + QStringLiteral("/Caches/com.same"),
                           library() + QStringLiteral("/Containers/com.same/Data/Library/Logs")}));
}

TEST_F(ApplicationCacheEngineTest, IdentifiersThatWouldLeaveTheirFolderAreNeverTargets)
{
    // ".." would make the Library itself (with the user's documents' neighbours) a cache folder.
    BundleBuilder::make(homeApps() + QStringLiteral("/Dots.app"), BundleBuilder::xml(QStringLiteral("..")));
    BundleBuilder::make(homeApps() + QStringLiteral("/Empty.app"), BundleBuilder::xml(QString()));
    BundleBuilder::make(homeApps() + QStringLiteral("/Slash.app"),
                        BundleBuilder::xml(QStringLiteral("../../Documents")));
    m_tree->file(QStringLiteral("Library/Caches/other.app/data"), 10);
    m_tree->file(QStringLiteral("Documents/Logs/keep.txt"), 10);
    m_tree->file(QStringLiteral("Library/Logs/keep.log"), 10);
    EXPECT_TRUE(discover().isEmpty());
}

TEST_F(ApplicationCacheEngineTest, ScanCountsVisibleFilesAndPackageContentsOnce)
{
    BundleBuilder::make(homeApps() + QStringLiteral("/A.app"), BundleBuilder::xml(QStringLiteral("com.a")));
    m_tree->file(QStringLiteral("Library/Caches/com.a/one"), 100);
    m_tree->file(QStringLiteral("Library/Caches/com.a/sub/two"), 20);
    m_tree->file(QStringLiteral("Library/Caches/com.a/.hidden"), 1000);
    m_tree->file(QStringLiteral("Library/Caches/com.a/.dot/inside"), 1000);
    m_tree->file(QStringLiteral("Library/Caches/com.a/Thing.bundle/Contents/payload"), 3);
    m_tree->symlink(QStringLiteral("Library/Caches/com.a/link"), home() + QStringLiteral("/Library/Caches/com.a/one"));
    m_tree->file(QStringLiteral("Library/Application Support/com.a/GPUCache/gpu"), 7);
    m_tree->file(QStringLiteral("Library/Application Support/com.a/Documents/keep"), 5000);

    const QList<ApplicationCleanupResult> results = scan();
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0].size, 130);
    EXPECT_EQ(results[0].files.size(), 4);
    EXPECT_TRUE(results[0].files.contains(library() + QStringLiteral("/Caches/com.a/Thing.bundle/Contents/payload")));
    EXPECT_FALSE(results[0].selected);
}

TEST_F(ApplicationCacheEngineTest, EmptyFilesGiveNoResultAndTiesSortByNameIgnoringCase)
{
    BundlePlist beta = BundleBuilder::xml(QStringLiteral("com.1beta"));
    beta.displayName = QStringLiteral("Beta");
    BundlePlist alpha = BundleBuilder::xml(QStringLiteral("com.2alpha"));
    alpha.displayName = QStringLiteral("alpha");
    BundlePlist big = BundleBuilder::xml(QStringLiteral("com.3big"));
    big.displayName = QStringLiteral("Zoo");
    BundleBuilder::make(homeApps() + QStringLiteral("/B.app"), beta);
    BundleBuilder::make(homeApps() + QStringLiteral("/A.app"), alpha);
    BundleBuilder::make(homeApps() + QStringLiteral("/C.app"), big);
    BundleBuilder::make(homeApps() + QStringLiteral("/E.app"), BundleBuilder::xml(QStringLiteral("com.empty")));
    m_tree->file(QStringLiteral("Library/Caches/com.1beta/f"), 10);
    m_tree->file(QStringLiteral("Library/Logs/com.2alpha/f"), 10);
    m_tree->file(QStringLiteral("Library/WebKit/com.3big/f"), 11);
    m_tree->file(QStringLiteral("Library/Caches/com.empty/zero"), 0);

    QStringList names;
    for (const ApplicationCleanupResult& r : scan())
        names.append(r.target.name);
    EXPECT_EQ(names, (QStringList{QStringLiteral("Zoo"), QStringLiteral("alpha"), QStringLiteral("Beta")}));
    EXPECT_EQ(ApplicationCacheEngine::resultMessage(3), QStringLiteral("发现 3 个应用的缓存垃圾"));
    EXPECT_EQ(ApplicationCacheEngine::resultMessage(0), QStringLiteral("没有发现可清理的应用垃圾"));
}

TEST_F(ApplicationCacheEngineTest, CleanCompletesOnlyResultsWhoseEveryFileMoved)
{
    const QString good = m_tree->file(QStringLiteral("Library/Caches/g/f"), 5);
    const QString bad = m_tree->file(QStringLiteral("Library/Caches/b/f"), 5);
    const QString badSibling = m_tree->file(QStringLiteral("Library/Caches/b/g"), 5);
    auto trash = std::make_shared<FailingTrash>();
    trash->failPath(bad);
    Trash::setCurrent(trash);
    const QList<ApplicationCleanupResult> selected = {
        {QStringLiteral("g"), {}, {good}, identitiesOf({good}), {}, 5, true},
        {QStringLiteral("b"), {}, {bad, badSibling}, identitiesOf({bad, badSibling}), {}, 10, true},
        {QStringLiteral("none"), {}, {}, {}, {}, 0, true},
    };
    const ApplicationCacheEngine::CleanOutcome outcome = ApplicationCacheEngine::clean(selected);
    EXPECT_EQ(outcome.completedIDs, (QSet<QString>{QStringLiteral("g"), QStringLiteral("none")}));
    EXPECT_EQ(outcome.moved, (QStringList{good, badSibling}));
    EXPECT_EQ(outcome.message, QStringLiteral("部分应用缓存未能移到废纸篓，请重试"));
    EXPECT_TRUE(QFile::exists(bad));
    EXPECT_FALSE(QFile::exists(good));
    EXPECT_EQ(loggedLines().filter(QStringLiteral("[ApplicationClean]")),
              QStringList{QStringLiteral("[ApplicationClean] 移到废纸篓失败：") + bad + QStringLiteral("，") +
                          FailingTrash::kDefaultError});
    // The cache folder itself stays.
    EXPECT_TRUE(QDir(library() + QStringLiteral("/Caches/g")).exists());

    const ApplicationCacheEngine::CleanOutcome empty = ApplicationCacheEngine::clean({selected[2]});
    EXPECT_TRUE(empty.moved.isEmpty());
    EXPECT_EQ(empty.message, QStringLiteral("应用缓存已移到废纸篓"));
}

} // namespace
