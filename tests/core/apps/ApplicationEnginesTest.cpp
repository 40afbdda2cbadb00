// Application bundles, their caches and what an uninstall moves, over fixture roots.
#include "core/apps/ApplicationBundle.h"
#include "core/apps/ApplicationCacheEngine.h"
#include "core/apps/ApplicationUninstallEngine.h"
#include "core/apps/InfoDictionary.h"
#include "core/trash/Trash.h"
#include "support/ApplicationFixture.h"
#include "support/TrashFakes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

// Every case runs with the home granted.
class Applications : public ApplicationFixture
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
    QList<UninstallApplication> list() const
    {
        return ApplicationUninstallEngine::listApplications({sharedApps(), homeApps()}, home());
    }
    static QStringList paths(const QList<UninstallItem>& items)
    {
        QStringList p;
        for (const UninstallItem& i : items)
            p.append(i.path);
        return p;
    }
};

TEST_F(Applications, NamePrecedenceHoldsBrokenInfoFallsBackAndIdentifiersThatWouldLeaveTheirFolderAreNeverTargets)
{
    for (const bool binary : {false, true}) {
        const QString suffix = binary ? u"B"_s : u"X"_s;
        const QString id = u"com.example.both"_s;
        // The bundle's file name, its information, and the name and identifier read from it.
        const std::tuple<QString, BundlePlist, QString, std::optional<QString>> cases[] = {
            {u"Both"_s, {id, u"显示名"_s, u"BundleName"_s, binary}, u"显示名"_s, id},
            {u"Only"_s, {id, std::nullopt, u"BundleName"_s, binary}, u"BundleName"_s, id},
            {u"My App "_s, {.binary = binary}, u"My App "_s + suffix, std::nullopt}};
        for (const auto& [name, plist, shown, identifier] : cases) {
            const ApplicationBundle read =
                ApplicationBundle::read(BundleBuilder::make(homeApps() + u'/' + name + suffix + u".app"_s, plist));
            EXPECT_EQ(read.name, shown);
            EXPECT_EQ(read.bundleID, identifier) << name.toStdString();
        }
    }

    // Unreadable or malformed information falls back to the file name.
    m_tree->folder(u"Applications/Bare.app"_s);
    m_tree->file(u"Applications/Junk.app/Contents/Info.plist"_s, 64);
    for (const QString& name : {u"Bare"_s, u"Junk"_s}) {
        const ApplicationBundle bundle = ApplicationBundle::read(homeApps() + u'/' + name + u".app"_s);
        EXPECT_EQ(bundle.name, name);
        EXPECT_FALSE(bundle.bundleID);
    }

    // A display name that is not text is no name.
    const QByteArray xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                           "<key>CFBundleDisplayName</key><integer>7</integer>"
                           "<key>CFBundleName</key><string>Real</string></dict></plist>";
    const std::optional<InfoDictionary> info = InfoDictionary::fromData(xml);
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->text(u"CFBundleDisplayName"_s));
    EXPECT_EQ(info->text(u"CFBundleName"_s), u"Real"_s);
    // A root that is not a dictionary is not an Info dictionary.
    EXPECT_FALSE(InfoDictionary::fromData("<plist version=\"1.0\"><array/></plist>"));

    // A binary key holding a NUL byte made libplist abort the process when the key was read out.
    QFile nulKey(QStringLiteral(SWEEPORA_SOURCE_DIR "/tests/fuzz/corpus/info_plist/key-with-nul"));
    ASSERT_TRUE(nulKey.open(QIODevice::ReadOnly));
    const std::optional<InfoDictionary> odd = InfoDictionary::fromData(nulKey.readAll());
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->text(u"CFBundleIdentifier"_s), u"App"_s);
    // A key given twice takes its last value in a binary list too (here a number: no identifier).
    QFile twice(QStringLiteral(SWEEPORA_SOURCE_DIR "/tests/fuzz/corpus/info_plist/key-given-twice"));
    ASSERT_TRUE(twice.open(QIODevice::ReadOnly));
    const std::optional<InfoDictionary> repeated = InfoDictionary::fromData(twice.readAll());
    ASSERT_TRUE(repeated);
    EXPECT_FALSE(repeated->text(u"CFBundleIdentifier"_s));
    EXPECT_EQ(repeated->text(u"CFBundleDisplayName"_s), u"APPL"_s);

    // ".." would make the Library itself (with the user's documents' neighbours) a cache folder.
    BundleBuilder::make(homeApps() + u"/Dots.app"_s, BundleBuilder::xml(u".."_s));
    BundleBuilder::make(homeApps() + u"/Empty.app"_s, BundleBuilder::xml(QString()));
    BundleBuilder::make(homeApps() + u"/Slash.app"_s, BundleBuilder::xml(u"../../Documents"_s));
    m_tree->file(u"Library/Caches/other.app/data"_s, 10);
    m_tree->file(u"Documents/Logs/keep.txt"_s, 10);
    m_tree->file(u"Library/Logs/keep.log"_s, 10);
    EXPECT_TRUE(discover().isEmpty());

    EXPECT_EQ(ApplicationUninstallEngine::relatedCandidates(u"com.x"_s, u"X"_s, u"/h"_s).size(), 16);
    // A "/" in the name keeps only the identifier's candidates; ".." and "" would name the
    // Library or a whole base folder and are never candidates.
    EXPECT_EQ(ApplicationUninstallEngine::relatedCandidates(u"com.x"_s, u"A/B"_s, u"/h"_s).size(), 9);
    EXPECT_TRUE(ApplicationUninstallEngine::relatedCandidates(u".."_s, u""_s, u"/h"_s).isEmpty());
    EXPECT_EQ(ApplicationUninstallEngine::relatedCandidates(std::nullopt, u"Name"_s, u"/h"_s).size(), 7);
}

TEST_F(Applications, ShallowListingTakesDirectChildrenDeepListingSkipsPackagesAndDiscoveryKeepsTheHomeCopyOnce)
{
    BundleBuilder::make(sharedApps() + u"/Top.APP"_s, BundleBuilder::xml(u"a.top"_s));
    BundleBuilder::make(sharedApps() + u"/Utilities/Tool.app"_s, BundleBuilder::xml(u"a.tool"_s));
    BundleBuilder::make(sharedApps() + u"/Top.APP/Contents/Helpers/Inner.app"_s, BundleBuilder::xml(u"a.inner"_s));
    BundleBuilder::make(sharedApps() + u"/Kit.framework/Hidden.app"_s, BundleBuilder::xml(u"a.fw"_s));
    BundleBuilder::make(sharedApps() + u"/.Secret.app"_s, BundleBuilder::xml(u"a.secret"_s));
    QFile(sharedApps() + u"/notes.app"_s).open(QIODevice::WriteOnly); // a file, not a bundle
    QFile::link(sharedApps() + u"/Top.APP"_s, sharedApps() + u"/Link.app"_s);

    EXPECT_EQ(ApplicationBundle::bundlesIn(sharedApps()), QStringList{sharedApps() + u"/Top.APP"_s});
    EXPECT_EQ(ApplicationBundle::bundlesBelow(sharedApps()),
              (QStringList{sharedApps() + u"/Top.APP"_s, sharedApps() + u"/Utilities/Tool.app"_s}));
    EXPECT_TRUE(ApplicationBundle::bundlesBelow(sharedApps() + u"/missing"_s).isEmpty());

    // Discovery keeps the home copy once per identifier, and only top-level bundles.
    BundleBuilder::make(sharedApps() + u"/Same.app"_s, {u"com.same"_s, u"Shared Copy"_s, {}, true});
    BundleBuilder::make(homeApps() + u"/Same.app"_s, {u"com.same"_s, {}, u"Home Copy"_s});
    BundleBuilder::make(sharedApps() + u"/Utilities/Deep.app"_s, BundleBuilder::xml(u"com.deep"_s));
    BundleBuilder::make(sharedApps() + u"/NoID.app"_s, BundlePlist{});
    BundleBuilder::make(sharedApps() + u"/Zed.app"_s, BundleBuilder::xml(u"Z.upper"_s));
    BundleBuilder::make(sharedApps() + u"/Nothing.app"_s, BundleBuilder::xml(u"com.nothing"_s));
    for (const char* id : {"com.same", "com.deep", "Z.upper"})
        m_tree->folder(u"Library/Caches/"_s + QLatin1String(id));
    m_tree->folder(u"Library/Containers/com.same/Data/Library/Logs"_s);

    const QList<ApplicationCacheTarget> targets = discover();
    ASSERT_EQ(targets.size(), 2);
    // Code-point order: upper case first.
    EXPECT_EQ(targets[0].id, u"Z.upper"_s);
    EXPECT_EQ(targets[1].id, u"com.same"_s);
    EXPECT_EQ(targets[1].name, u"Home Copy"_s);
    EXPECT_EQ(targets[1].directories, (QStringList{library() + u"/Caches/com.same"_s,
                                                   library() + u"/Containers/com.same/Data/Library/Logs"_s}));
}

TEST_F(Applications, ScanCountsVisibleFilesOnceTiesSortByNameAndACleanCompletesOnlyResultsWhoseEveryFileMoved)
{
    BundleBuilder::make(homeApps() + u"/A.app"_s, BundleBuilder::xml(u"com.a"_s));
    m_tree->file(u"Library/Caches/com.a/one"_s, 100);
    m_tree->file(u"Library/Caches/com.a/sub/two"_s, 20);
    m_tree->file(u"Library/Caches/com.a/.hidden"_s, 1000);
    m_tree->file(u"Library/Caches/com.a/.dot/inside"_s, 1000);
    m_tree->file(u"Library/Caches/com.a/Thing.bundle/Contents/payload"_s, 3);
    m_tree->symlink(u"Library/Caches/com.a/link"_s, home() + u"/Library/Caches/com.a/one"_s);
    m_tree->file(u"Library/Application Support/com.a/GPUCache/gpu"_s, 7);
    m_tree->file(u"Library/Application Support/com.a/Documents/keep"_s, 5000);

    const QList<ApplicationCleanupResult> results = scan();
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0].size, 130);
    EXPECT_EQ(results[0].files.size(), 4);
    EXPECT_TRUE(results[0].files.contains(library() + u"/Caches/com.a/Thing.bundle/Contents/payload"_s));

    // Empty files give no result; ties sort by name ignoring case.
    BundleBuilder::make(homeApps() + u"/B.app"_s, {u"com.1beta"_s, u"Beta"_s});
    BundleBuilder::make(homeApps() + u"/A.app"_s, {u"com.2alpha"_s, u"alpha"_s});
    BundleBuilder::make(homeApps() + u"/C.app"_s, {u"com.3big"_s, u"Zoo"_s});
    BundleBuilder::make(homeApps() + u"/E.app"_s, BundleBuilder::xml(u"com.empty"_s));
    m_tree->file(u"Library/Caches/com.1beta/f"_s, 10);
    m_tree->file(u"Library/Logs/com.2alpha/f"_s, 10);
    m_tree->file(u"Library/WebKit/com.3big/f"_s, 11);
    m_tree->file(u"Library/Caches/com.empty/zero"_s, 0);

    QStringList names;
    for (const ApplicationCleanupResult& r : scan())
        names.append(r.target.name);
    EXPECT_EQ(names, (QStringList{u"Zoo"_s, u"alpha"_s, u"Beta"_s}));

    // A clean completes only results whose every file moved.
    const QString good = m_tree->file(u"Library/Caches/g/f"_s, 5);
    const QString bad = m_tree->file(u"Library/Caches/b/f"_s, 5);
    const QString badSibling = m_tree->file(u"Library/Caches/b/g"_s, 5);
    auto trash = std::make_shared<FailingTrash>();
    trash->failPath(bad);
    Trash::setCurrent(trash);
    const QList<ApplicationCleanupResult> selected = {
        {u"g"_s, {}, {good}, identitiesOf({good}), {}, 5, true},
        {u"b"_s, {}, {bad, badSibling}, identitiesOf({bad, badSibling}), {}, 10, true},
        {u"none"_s, {}, {}, {}, {}, 0, true},
    };
    const ApplicationCacheEngine::CleanOutcome outcome = ApplicationCacheEngine::clean(selected);
    EXPECT_EQ(outcome.completedIDs, (QSet<QString>{u"g"_s, u"none"_s}));
    EXPECT_EQ(outcome.moved, (QStringList{good, badSibling}));
    EXPECT_EQ(outcome.message, u"部分应用缓存未能移到废纸篓，请重试"_s);
    EXPECT_TRUE(QFile::exists(bad));
    EXPECT_FALSE(QFile::exists(good));
    EXPECT_EQ(loggedLines().filter(u"[ApplicationClean]"_s),
              QStringList{u"[ApplicationClean] 移到废纸篓失败："_s + bad + u"，"_s + FailingTrash::kDefaultError});
    // The cache folder itself stays.
    EXPECT_TRUE(QDir(library() + u"/Caches/g"_s).exists());

    const ApplicationCacheEngine::CleanOutcome empty = ApplicationCacheEngine::clean({selected[2]});
    EXPECT_TRUE(empty.moved.isEmpty());
    EXPECT_EQ(empty.message, u"应用缓存已移到废纸篓"_s);
}

TEST_F(Applications, ListingFindsNestedBundlesOnceWithExactRelatedItemsAndMovesCountDeclinedFoldersAsFailed)
{
    BundleBuilder::make(sharedApps() + u"/Utilities/Tool.app"_s, {u"com.tool"_s, u"Tool"_s, {}, true, 100});
    BundleBuilder::make(sharedApps() + u"/Utilities/Tool.app/Contents/Inner.app"_s, BundleBuilder::xml(u"com.inner"_s));
    m_tree->file(u"Library/Caches/com.tool/c"_s, 40);
    m_tree->file(u"Library/Application Support/Tool/data"_s, 30);
    m_tree->file(u"Library/Application Support/Tool2/data"_s, 30);
    m_tree->file(u"Library/Application Support/tool/data"_s, 30);
    m_tree->file(u"Library/Preferences/com.tool.plist"_s, 5);
    m_tree->file(u"Library/Saved Application State/com.tool.savedState/.hidden"_s, 2);

    const QList<UninstallApplication> apps = list();
    ASSERT_EQ(apps.size(), 1);
    const UninstallApplication& app = apps[0];
    EXPECT_EQ(app.name, u"Tool"_s);
    EXPECT_EQ(app.bundleID, u"com.tool"_s);
    EXPECT_GE(app.appSize, 100); // the executable and the Info.plist, package contents included
    EXPECT_EQ(paths(app.related),
              (QStringList{library() + u"/Caches/com.tool"_s, library() + u"/Application Support/Tool"_s,
                           library() + u"/Preferences/com.tool.plist"_s,
                           library() + u"/Saved Application State/com.tool.savedState"_s}));
    EXPECT_EQ(app.related[3].size, 2); // hidden files count in an item's size
    EXPECT_EQ(app.totalSize(), app.appSize + 77);

    // Moves count declined folders as failed without trying them, and say what moved.
    const QString bundle = BundleBuilder::make(sharedApps() + u"/X.app"_s, BundleBuilder::xml(u"com.x"_s));
    const QString cache = m_tree->folder(u"Library/Caches/com.x"_s);
    const QString prefs = m_tree->file(u"Library/Preferences/com.x.plist"_s, 3);
    auto trash = std::make_shared<FailingTrash>();
    trash->failPath(prefs, u"磁盘已满"_s, ENOSPC);
    Trash::setCurrent(trash);

    const ApplicationUninstallEngine::Outcome outcome =
        ApplicationUninstallEngine::moveToTrash(foundItems({bundle, cache, prefs}), {sharedApps()});
    EXPECT_FALSE(outcome.bundleMoved);
    EXPECT_EQ(outcome.moved, 1);
    EXPECT_EQ(outcome.failed, 1);
    EXPECT_EQ(trash->attempted(), (QStringList{cache, prefs}));
    EXPECT_EQ(outcome.message, u"应用本体未移走；已处理 1 个关联项目，1 个失败"_s);
    const QStringList lines = loggedLines().filter(u"[ApplicationUninstall]"_s);
    EXPECT_EQ(lines, QStringList{u"[ApplicationUninstall] 移到废纸篓失败："_s + prefs + u"，"_s +
                                 ApplicationUninstallEngine::fullErrorDescription(u"磁盘已满"_s, ENOSPC)});
    EXPECT_TRUE(lines.value(0).contains(QString::number(ENOSPC)));
    EXPECT_TRUE(QFile::exists(bundle));

    // A moved bundle with one related item refused, and a bundle alone.
    const QString y = m_tree->folder(u"Applications/Y.app"_s);
    const QString a = m_tree->folder(u"Library/Caches/com.y"_s);
    const QString b = m_tree->folder(u"Library/Logs/com.y"_s);
    trash->failPath(b);
    const ApplicationUninstallEngine::Outcome partial =
        ApplicationUninstallEngine::moveToTrash(foundItems({y, a, b}), {});
    EXPECT_TRUE(partial.bundleMoved);
    EXPECT_EQ(partial.message, u"应用已移到废纸篓，1 个关联项目失败"_s);
    EXPECT_FALSE(QFile::exists(y));

    const QString z = m_tree->folder(u"Applications/Z.app"_s);
    EXPECT_EQ(ApplicationUninstallEngine::moveToTrash(foundItems({z}), {}).message, u"已移到废纸篓"_s);
}

TEST_F(Applications, TheSameIdentifierInTwoRootsIsListedTwiceAndEqualSizesKeepDiscoveryOrder)
{
    BundleBuilder::make(sharedApps() + u"/Dup.app"_s, BundleBuilder::xml(u"com.dup"_s));
    BundleBuilder::make(homeApps() + u"/Dup.app"_s, BundleBuilder::binary(u"com.dup"_s));
    m_tree->file(u"Library/Logs/com.dup/l"_s, 9);
    const QList<UninstallApplication> apps = list();
    ASSERT_EQ(apps.size(), 2);
    EXPECT_NE(apps[0].path, apps[1].path);
    EXPECT_EQ(apps[0].related, apps[1].related);
    // Listing a root twice does not list its bundles twice.
    EXPECT_EQ(ApplicationUninstallEngine::listApplications({homeApps(), homeApps() + u"/."_s}, home()).size(), 1);

    // Equal sizes keep the order of discovery.
    ASSERT_TRUE(QDir(sharedApps() + u"/Dup.app"_s).removeRecursively() &&
                QDir(homeApps() + u"/Dup.app"_s).removeRecursively());
    BundleBuilder::make(sharedApps() + u"/b.app"_s, BundleBuilder::xml(u"com.b"_s));
    BundleBuilder::make(sharedApps() + u"/A.app"_s, BundleBuilder::xml(u"com.a"_s));
    BundleBuilder::make(homeApps() + u"/C.app"_s, BundleBuilder::xml(u"com.c"_s));
    BundleBuilder::make(homeApps() + u"/Big.app"_s, BundleBuilder::xml(u"com.big"_s, 1000));
    m_tree->file(u"Library/Caches/com.a/x"_s, 4);
    m_tree->file(u"Library/Logs/com.a/x"_s, 4);
    QStringList names;
    for (const UninstallApplication& a : list())
        names.append(a.name);
    // Roots in order, then paths within a root; sizes are equal except Big's.
    EXPECT_EQ(names, (QStringList{u"Big"_s, u"A"_s, u"b"_s, u"C"_s}));
    const UninstallApplication a = list()[1];
    EXPECT_EQ(paths(a.related), (QStringList{library() + u"/Caches/com.a"_s, library() + u"/Logs/com.a"_s}));
}

} // namespace
