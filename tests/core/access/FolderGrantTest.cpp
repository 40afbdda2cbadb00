#include "access/AccessManager.h"
#include "platform/Bookmark.h"
#include "platform/Sandbox.h"
#include "platform/Settings.h"
#include "support/AccessFixture.h"

#include <QDir>
#include <QFile>
#include <thread>
#include <vector>

using namespace Sweepora::Core;
using Sweepora::Test::ScriptedFolderPicker;
using FolderGrants = Sweepora::Test::AccessFixture;

namespace {

const QString kTag = QStringLiteral("[AccessManager] ");

FolderUrl chosen(const QString& path)
{
    return ScriptedFolderPicker::withRights(path);
}

QVariantMap storedGrants()
{
    return Settings::store().value(Settings::kFolderBookmarks).toMap();
}

bool storedGrantIsStale(const QString& folder)
{
    return Bookmark::resolve(storedGrants().value(folder).toByteArray()).stale;
}

} // namespace

TEST_F(FolderGrants, TheInnermostCoveringGrantOpensAndSiblingsStayOutside)
{
    const QString outer = makeFolder(QStringLiteral("data"));
    const QString inner = makeFolder(QStringLiteral("data/proj"));
    const QString sibling = makeFolder(QStringLiteral("data/project2")); // its name starts with "proj"
    ASSERT_TRUE(AccessManager::persistFolderGrant(chosen(inner)));
    EXPECT_EQ(loggedLines().last(), kTag + QStringLiteral("已持久化文件夹授权：") + inner);
    EXPECT_FALSE(AccessManager::canAccess(FolderUrl(sibling)));
    EXPECT_FALSE(Sandbox::canRead(sibling));

    ASSERT_TRUE(AccessManager::persistFolderGrant(chosen(outer)));
    replaceFolder(inner);
    EXPECT_TRUE(AccessManager::restoreFolderGrant(FolderUrl(inner + QStringLiteral("/src/a.c"))));
    EXPECT_FALSE(storedGrantIsStale(inner)); // refreshed as it was opened
    EXPECT_TRUE(AccessManager::isCoveredByActiveScope(FolderUrl(inner + QStringLiteral("/src"))));
    EXPECT_FALSE(AccessManager::isCoveredByActiveScope(FolderUrl(sibling))); // the outer grant was not opened
    EXPECT_TRUE(AccessManager::canAccess(FolderUrl(sibling)));               // now it is
}

TEST_F(FolderGrants, TheHomeIsNeverAFolderGrantAndBeginAccessOpensOnlyWhatCarriesRights)
{
    // The home through another volume's path is the same folder: never a folder grant either.
    const QString volumePath = makeFolder(QStringLiteral("vol") + home());
    ASSERT_TRUE(QDir(volumePath).removeRecursively() && QFile::link(home(), volumePath));
    for (const QString& path : {home(), volumePath}) {
        EXPECT_FALSE(AccessManager::persistFolderGrant(chosen(path)));
        EXPECT_FALSE(AccessManager::grantFolder(chosen(path)));
    }
    EXPECT_TRUE(storedGrants().isEmpty());
    EXPECT_FALSE(Sandbox::canRead(home()));

    const QString plain = makeFolder(QStringLiteral("plain"));
    EXPECT_FALSE(AccessManager::beginAccess(FolderUrl(plain)));
    EXPECT_FALSE(Sandbox::canRead(plain));

    storeHomeGrant(home()); // under the home grant: the home scope opens, nothing of its own
    EXPECT_FALSE(AccessManager::beginAccess(FolderUrl(home() + QStringLiteral("/.cache"))));
    EXPECT_TRUE(Sandbox::canRead(home() + QStringLiteral("/.cache")));

    const QString picked = makeFolder(QStringLiteral("picked"));
    ASSERT_TRUE(AccessManager::beginAccess(chosen(picked)));
    EXPECT_EQ(storedGrants().keys(), QStringList(picked));
    AccessManager::endAccess(chosen(picked));
    EXPECT_FALSE(Sandbox::canRead(picked));

    // Remembered: now reached through its stored grant, which stays open.
    EXPECT_FALSE(AccessManager::beginAccess(chosen(picked)));
    AccessManager::endAccess(chosen(picked));
    EXPECT_TRUE(Sandbox::canRead(picked));
}

TEST_F(FolderGrants, AtTheNextLaunchGoneGrantsAreDroppedAndTheRestReopened)
{
    const QString a = makeFolder(QStringLiteral("a"));
    const QString b = makeFolder(QStringLiteral("b"));
    const QString gone = makeFolder(QStringLiteral("gone"));
    for (const QString& path : {b, gone, a})
        ASSERT_TRUE(AccessManager::grantFolder(chosen(path)));
    ASSERT_TRUE(QDir(gone).removeRecursively());
    replaceFolder(b);

    AccessManager::resetForTesting();
    EXPECT_FALSE(Sandbox::canRead(a));
    AccessManager::restorePersistedGrants();
    EXPECT_EQ(storedGrants().keys(), QStringList({a, b}));
    EXPECT_FALSE(storedGrantIsStale(b));
    EXPECT_TRUE(Sandbox::canRead(a));
    EXPECT_TRUE(AccessManager::isCoveredByActiveScope(FolderUrl(b)));
    EXPECT_EQ(loggedLines().last(), kTag + QStringLiteral("已恢复持久化授权：") + a + QStringLiteral("、") + b);
}

TEST_F(FolderGrants, NothingRestoredLogsNothing)
{
    AccessManager::restorePersistedGrants();
    const QString gone = makeFolder(QStringLiteral("gone"));
    ASSERT_TRUE(AccessManager::persistFolderGrant(chosen(gone)));
    ASSERT_TRUE(QDir(gone).removeRecursively());
    QVariantMap stored = storedGrants();
    stored.insert(QStringLiteral("/x"), 7); // not bookmark data: dropped too
    Settings::store().setValue(Settings::kFolderBookmarks, stored);
    const qsizetype before = loggedLines().size();

    AccessManager::restorePersistedGrants();
    EXPECT_EQ(loggedLines().size(), before);
    EXPECT_TRUE(storedGrants().isEmpty());
}

TEST_F(FolderGrants, PerPathAndFolderGrantsSurviveTheSettingsFile)
{
    const QString odd = makeFolder(QStringLiteral("odd/a b/ü %2F"));
    const QString legacy = makeFolder(QStringLiteral("legacy"));
    ASSERT_TRUE(AccessManager::persistFolderGrant(chosen(odd)));
    const QString rulePath = QStringLiteral("PUBLIC_DATA/com.x//Caches/");
    Settings::store().setValue(AccessManager::legacyBookmarkKey(rulePath), Bookmark::create(chosen(legacy)).value());
    Settings::store().setValue(AccessManager::legacyBookmarkKey(QStringLiteral("~/h")),
                               Bookmark::create(chosen(home())).value());

    // The next launch reads a copy of the file through a fresh settings object.
    Settings::store().sync();
    const QString copy = makeFolder(QStringLiteral("cfg")) + QStringLiteral("/settings.ini");
    ASSERT_TRUE(QFile::copy(Settings::store().fileName(), copy));
    Settings::useFile(copy);
    AccessManager::resetForTesting();

    EXPECT_EQ(AccessManager::legacyBookmarkURL(rulePath), chosen(legacy));
    EXPECT_FALSE(Sandbox::canRead(legacy)); // resolved, not opened
    EXPECT_FALSE(AccessManager::legacyBookmarkURL(QStringLiteral("PUBLIC_DATA/com.x/Caches")));
    EXPECT_FALSE(AccessManager::legacyBookmarkURL(QStringLiteral("~/h"))); // the home is no per-path grant
    AccessManager::restorePersistedGrants();
    EXPECT_TRUE(Sandbox::canRead(odd + QStringLiteral("/f")));

    replaceFolder(legacy); // a stale per-path grant is refreshed and kept as a folder grant too
    ASSERT_TRUE(AccessManager::legacyBookmarkURL(rulePath));
    EXPECT_FALSE(
        Bookmark::resolve(Settings::store().value(AccessManager::legacyBookmarkKey(rulePath)).toByteArray()).stale);
    EXPECT_EQ(storedGrants().keys(), QStringList({legacy, odd}));
}

// A smoke test for the mutex, meant for the sanitizer build.
TEST_F(FolderGrants, ScannersAskFromSeveralThreadsWhileGrantsAreRestored)
{
    QStringList folders;
    for (int i = 0; i < 16; ++i) {
        folders.append(makeFolder(QStringLiteral("g%1").arg(i)));
        ASSERT_TRUE(AccessManager::persistFolderGrant(chosen(folders.last())));
    }
    storeHomeGrant(home());
    AccessManager::resetForTesting();

    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&folders, t, this] {
            for (int round = 0; round < 50; ++round) {
                const FolderUrl url(folders.at((round + t) % folders.size()) + QStringLiteral("/x"));
                AccessManager::beginAccess(url);
                AccessManager::isCoveredByActiveScope(url);
                AccessManager::beginAccess(FolderUrl(home() + QStringLiteral("/c")));
            }
        });
    }
    AccessManager::restorePersistedGrants();
    for (std::thread& thread : threads)
        thread.join();
    for (const QString& folder : folders)
        EXPECT_TRUE(AccessManager::isCoveredByActiveScope(FolderUrl(folder)));
    EXPECT_TRUE(AccessManager::isCoveredByActiveScope(FolderUrl(home())));
    EXPECT_EQ(storedGrants().size(), folders.size());
}
