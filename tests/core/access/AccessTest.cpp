// Access to folders: bookmarks, the home grant and the per-folder grants that scans open.
#include "core/access/AccessManager.h"
#include "core/platform/Bookmark.h"
#include "core/platform/Notifications.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/platform/Settings.h"
#include "support/AccessFixture.h"
#include "support/ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <thread>
#include <vector>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

using Bookmarks = Sweepora::Test::AccessFixture;

// Staleness and vanished folders are covered through the access manager's tests.
TEST_F(Bookmarks, OnlyLocationsWithAccessMakeBookmarksAndScopes)
{
    const QString folder = makeFolder(u"a b/ü"_s);
    const FolderUrl granted = ScriptedFolderPicker::withRights(folder);
    EXPECT_FALSE(Bookmark::create(FolderUrl(folder)));
    EXPECT_FALSE(Bookmark::startAccessing(FolderUrl(folder)));
    EXPECT_FALSE(Bookmark::startAccessing(ScriptedFolderPicker::withRights(folder + u"/missing"_s)));
    const QByteArray data = Bookmark::create(granted).value();
    EXPECT_EQ(Bookmark::resolve(data).url, granted);
    for (const QByteArray& bad : {QByteArray(), folder.toUtf8(), data.left(data.size() - 1), data + '\0'})
        EXPECT_FALSE(Bookmark::resolve(bad).url) << bad.toHex().constData();

    ASSERT_TRUE(Bookmark::startAccessing(granted));
    EXPECT_TRUE(Sandbox::canRead(folder + u"/f"_s));
    EXPECT_TRUE(Bookmark::create(FolderUrl(folder))); // inside an open scope now
    Bookmark::stopAccessing(FolderUrl(folder));       // a plain location opened nothing to close
    EXPECT_TRUE(Sandbox::canRead(folder));
    Bookmark::stopAccessing(granted);
    EXPECT_FALSE(Sandbox::canRead(folder));
}

namespace {

const QString kTag = u"[AccessManager] "_s;

class HomeAuthorization : public Sweepora::Test::AccessFixture
{
protected:
    // What the completion got: 1 true, 0 false, -1 never called.
    int authorize()
    {
        int answer = -1;
        AccessManager::requestHomeAuthorization([&answer](bool ok) {
            EXPECT_EQ(answer, -1) << "completion ran twice";
            answer = ok ? 1 : 0;
        });
        return answer;
    }
    static bool homeGrantStored() { return Settings::store().contains(Settings::kHomeBookmark); }
};

TEST_F(HomeAuthorization, FirstGrantStoresTheBookmarkOpensTheHomeAndNotifies)
{
    QSignalSpy posted(&Notifications::instance(), &Notifications::authorizationDidChange);
    m_picker->answerWith(home());
    EXPECT_EQ(authorize(), 1);

    ASSERT_EQ(m_picker->requests().size(), 1);
    EXPECT_EQ(m_picker->requests().first().directory, home());
    EXPECT_EQ(loggedLines(), QStringList({kTag + u"用户选择的文件夹："_s + home(),
                                          kTag + u"授权完成，文件夹："_s + home() + u"，书签保存：成功"_s}));
    EXPECT_EQ(posted.count(), 1);
    EXPECT_TRUE(homeGrantStored());
    EXPECT_TRUE(Sandbox::canRead(home() + u"/Documents/a.txt"_s));

    EXPECT_EQ(authorize(), 1); // granted: answers at once, without asking again
    EXPECT_EQ(m_picker->requests().size(), 1);
}

TEST_F(HomeAuthorization, AnotherFolderOrACancelCompletesFalseButTheHomeOnAnotherVolumePathIsAccepted)
{
    storeHomeGrant(makeFolder(u"home/other"_s)); // not the home: removed before asking
    // A wrong folder: the picker comes back saying which folder is needed; then a cancel ends it.
    m_picker->answerWith(makeFolder(u"home/other"_s));
    EXPECT_EQ(authorize(), 0);
    EXPECT_TRUE(loggedLines().contains(kTag + u"授权失败，选择的不是个人文件夹："_s + makeFolder(u"home/other"_s)));
    ASSERT_EQ(m_picker->requests().size(), 2);
    EXPECT_EQ(m_picker->requests()[1].message, u"需要授权的是你的个人文件夹“%1”，你选择的是“%2”。请重新选择。"_s.arg(
                                                   home(), makeFolder(u"home/other"_s)));
    EXPECT_FALSE(homeGrantStored());
    EXPECT_FALSE(Sandbox::canRead(home()));

    m_picker->cancelNext();
    EXPECT_EQ(authorize(), 0);
    EXPECT_EQ(loggedLines().last(), kTag + u"用户取消个人文件夹授权"_s);
    EXPECT_FALSE(homeGrantStored());

    // A different folder whose path merely ends with the home's is refused...
    const QString lookalike = makeFolder(u"vol"_s + home());
    m_picker->answerWith(lookalike);
    EXPECT_EQ(authorize(), 0);
    // ...and the home itself seen through another path is accepted, its scope opened on the home.
    ASSERT_TRUE(QDir(lookalike).removeRecursively());
    ASSERT_TRUE(QFile::link(home(), lookalike));
    m_picker->answerWith(lookalike);
    EXPECT_EQ(authorize(), 1);
    EXPECT_EQ(AccessManager::storedHomeURL().value().path(), home());
    EXPECT_TRUE(Sandbox::canRead(home()));
}

TEST_F(HomeAuthorization, LaunchCheckLogsTheHomeAndTheGrantStateAndAStaleGrantIsRefreshed)
{
    EXPECT_FALSE(AccessManager::launchCheck().valid);
    EXPECT_EQ(loggedLines(), QStringList({kTag + u"系统真实个人文件夹："_s + home(),
                                          kTag + u"App 启动，授权文件夹：无，授权状态：无效"_s}));
    storeHomeGrant(home());
    const LaunchReport report = AccessManager::launchCheck();
    EXPECT_TRUE(report.valid);
    EXPECT_EQ(report.folderPath, home());
    EXPECT_EQ(loggedLines().last(), kTag + u"App 启动，授权文件夹："_s + home() + u"，授权状态：有效"_s);

    // A stale home bookmark is refreshed.
    const QByteArray before = Settings::store().value(Settings::kHomeBookmark).toByteArray();
    replaceFolder(home());
    EXPECT_TRUE(AccessManager::hasHomeAccess());
    const QByteArray after = Settings::store().value(Settings::kHomeBookmark).toByteArray();
    EXPECT_NE(after, before);
    EXPECT_FALSE(Bookmark::resolve(after).stale);
}

// The home grant probed through "Library" below it, as on macOS.
class LibraryProbe : public HomeAuthorization
{
protected:
    PlatformLayout layoutFor(const QString& home) const override
    {
        PlatformLayout layout = PlatformLayout::forHome(home);
        layout.probeFolder = home + u"/Library"_s;
        return layout;
    }
};

TEST_F(LibraryProbe, AnUnreadableProbeFolderOrHomeMeansNoAccess)
{
    if (!ChildProcess::enter(ChildProcess::Unprivileged))
        return;
    const QString library = makeFolder(u"home/u/Library"_s);
    ASSERT_TRUE(QFile::setPermissions(library, QFileDevice::Permissions()));
    storeHomeGrant(home());
    EXPECT_TRUE(AccessManager::storedHomeURL());
    EXPECT_FALSE(AccessManager::hasHomeAccess());
    ASSERT_TRUE(QFile::setPermissions(library, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    EXPECT_TRUE(AccessManager::hasHomeAccess());

    AccessManager::resetForTesting(); // an unreadable home opens no scope at all
    ASSERT_TRUE(QFile::setPermissions(home(), QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    EXPECT_FALSE(AccessManager::hasHomeAccess());
    EXPECT_FALSE(Sandbox::canRead(home()));
    QFile::setPermissions(home(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

using FolderGrants = Sweepora::Test::AccessFixture;

const auto chosen = &ScriptedFolderPicker::withRights;

QVariantMap storedGrants()
{
    return Settings::store().value(Settings::kFolderBookmarks).toMap();
}

TEST_F(FolderGrants, TheInnermostCoveringGrantOpensAndSiblingsStayOutside)
{
    const QString outer = makeFolder(u"data"_s);
    const QString inner = makeFolder(u"data/proj"_s);
    const QString sibling = makeFolder(u"data/project2"_s); // its name starts with "proj"
    ASSERT_TRUE(AccessManager::persistFolderGrant(chosen(inner)));
    EXPECT_EQ(loggedLines().last(), kTag + u"已持久化文件夹授权："_s + inner);
    EXPECT_FALSE(AccessManager::canAccess(FolderUrl(sibling)));
    EXPECT_FALSE(Sandbox::canRead(sibling));

    ASSERT_TRUE(AccessManager::persistFolderGrant(chosen(outer)));
    replaceFolder(inner);
    EXPECT_TRUE(AccessManager::restoreFolderGrant(FolderUrl(inner + u"/src/a.c"_s)));
    EXPECT_FALSE(Bookmark::resolve(storedGrants().value(inner).toByteArray()).stale); // refreshed as it was opened
    EXPECT_TRUE(AccessManager::isCoveredByActiveScope(FolderUrl(inner + u"/src"_s)));
    EXPECT_FALSE(AccessManager::isCoveredByActiveScope(FolderUrl(sibling))); // the outer grant was not opened
    EXPECT_TRUE(AccessManager::canAccess(FolderUrl(sibling)));               // now it is
}

TEST_F(FolderGrants, TheHomeIsNeverAFolderGrantAndBeginAccessOpensOnlyWhatCarriesRights)
{
    // The home through another volume's path is the same folder: never a folder grant either.
    const QString volumePath = makeFolder(u"vol"_s + home());
    ASSERT_TRUE(QDir(volumePath).removeRecursively() && QFile::link(home(), volumePath));
    for (const QString& path : {home(), volumePath}) {
        EXPECT_FALSE(AccessManager::persistFolderGrant(chosen(path)));
        EXPECT_FALSE(AccessManager::grantFolder(chosen(path)));
    }
    EXPECT_TRUE(storedGrants().isEmpty());
    EXPECT_FALSE(Sandbox::canRead(home()));

    const QString plain = makeFolder(u"plain"_s);
    EXPECT_FALSE(AccessManager::beginAccess(FolderUrl(plain)));
    EXPECT_FALSE(Sandbox::canRead(plain));

    storeHomeGrant(home()); // under the home grant: the home scope opens, nothing of its own
    EXPECT_FALSE(AccessManager::beginAccess(FolderUrl(home() + u"/.cache"_s)));
    EXPECT_TRUE(Sandbox::canRead(home() + u"/.cache"_s));

    const QString picked = makeFolder(u"picked"_s);
    ASSERT_TRUE(AccessManager::beginAccess(chosen(picked)));
    EXPECT_EQ(storedGrants().keys(), QStringList(picked));
    AccessManager::endAccess(chosen(picked));
    EXPECT_FALSE(Sandbox::canRead(picked));

    // Remembered: now reached through its stored grant, which stays open.
    EXPECT_FALSE(AccessManager::beginAccess(chosen(picked)));
    AccessManager::endAccess(chosen(picked));
    EXPECT_TRUE(Sandbox::canRead(picked));
}

TEST_F(FolderGrants, AtTheNextLaunchGoneGrantsAreDroppedTheRestReopenedAndNothingRestoredLogsNothing)
{
    const QString a = makeFolder(u"a"_s);
    const QString b = makeFolder(u"b"_s);
    const QString gone = makeFolder(u"gone"_s);
    for (const QString& path : {b, gone, a})
        ASSERT_TRUE(AccessManager::grantFolder(chosen(path)));
    ASSERT_TRUE(QDir(gone).removeRecursively());
    replaceFolder(b);

    AccessManager::resetForTesting();
    EXPECT_FALSE(Sandbox::canRead(a));
    AccessManager::restorePersistedGrants();
    EXPECT_EQ(storedGrants().keys(), QStringList({a, b}));
    EXPECT_FALSE(Bookmark::resolve(storedGrants().value(b).toByteArray()).stale);
    EXPECT_TRUE(Sandbox::canRead(a));
    EXPECT_TRUE(AccessManager::isCoveredByActiveScope(FolderUrl(b)));
    EXPECT_EQ(loggedLines().last(), kTag + u"已恢复持久化授权："_s + a + u"、"_s + b);

    // When every grant is gone, or is not bookmark data, all are dropped and nothing is logged.
    ASSERT_TRUE(QDir(a).removeRecursively() && QDir(b).removeRecursively());
    QVariantMap stored = storedGrants();
    stored.insert(u"/x"_s, 7);
    Settings::store().setValue(Settings::kFolderBookmarks, stored);
    AccessManager::resetForTesting();
    const qsizetype before = loggedLines().size();
    AccessManager::restorePersistedGrants();
    EXPECT_EQ(loggedLines().size(), before);
    EXPECT_TRUE(storedGrants().isEmpty());
}

TEST_F(FolderGrants, PerPathAndFolderGrantsSurviveTheSettingsFileAndScannersAskFromSeveralThreadsWhileTheyAreRestored)
{
    const QString odd = makeFolder(u"odd/a b/ü %2F"_s);
    const QString legacy = makeFolder(u"legacy"_s);
    ASSERT_TRUE(AccessManager::persistFolderGrant(chosen(odd)));
    const QString rulePath = u"PUBLIC_DATA/com.x//Caches/"_s;
    Settings::store().setValue(AccessManager::legacyBookmarkKey(rulePath), Bookmark::create(chosen(legacy)).value());
    Settings::store().setValue(AccessManager::legacyBookmarkKey(u"~/h"_s), Bookmark::create(chosen(home())).value());

    // The next launch reads a copy of the file through a fresh settings object.
    Settings::store().sync();
    const QString copy = makeFolder(u"cfg"_s) + u"/settings.ini"_s;
    ASSERT_TRUE(QFile::copy(Settings::store().fileName(), copy));
    Settings::useFile(copy);
    AccessManager::resetForTesting();

    EXPECT_EQ(AccessManager::legacyBookmarkURL(rulePath), chosen(legacy));
    EXPECT_FALSE(Sandbox::canRead(legacy)); // resolved, not opened
    EXPECT_FALSE(AccessManager::legacyBookmarkURL(u"PUBLIC_DATA/com.x/Caches"_s));
    EXPECT_FALSE(AccessManager::legacyBookmarkURL(u"~/h"_s)); // the home is no per-path grant
    AccessManager::restorePersistedGrants();
    EXPECT_TRUE(Sandbox::canRead(odd + u"/f"_s));

    replaceFolder(legacy); // a stale per-path grant is refreshed and kept as a folder grant too
    ASSERT_TRUE(AccessManager::legacyBookmarkURL(rulePath));
    EXPECT_FALSE(
        Bookmark::resolve(Settings::store().value(AccessManager::legacyBookmarkKey(rulePath)).toByteArray()).stale);
    EXPECT_EQ(storedGrants().keys(), QStringList({legacy, odd}));

    // A smoke test for the mutex, meant for the sanitizer build.
    QStringList folders;
    for (int i = 0; i < 16; ++i) {
        folders.append(makeFolder(u"g%1"_s.arg(i)));
        ASSERT_TRUE(AccessManager::persistFolderGrant(chosen(folders.last())));
    }
    storeHomeGrant(home());
    AccessManager::resetForTesting();

    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&folders, t, this] {
            for (int round = 0; round < 50; ++round) {
                const FolderUrl url(folders.at((round + t) % folders.size()) + u"/x"_s);
                AccessManager::beginAccess(url);
                AccessManager::isCoveredByActiveScope(url);
                AccessManager::beginAccess(FolderUrl(home() + u"/c"_s));
            }
        });
    }
    AccessManager::restorePersistedGrants();
    for (std::thread& thread : threads)
        thread.join();
    for (const QString& folder : folders)
        EXPECT_TRUE(AccessManager::isCoveredByActiveScope(FolderUrl(folder)));
    EXPECT_TRUE(AccessManager::isCoveredByActiveScope(FolderUrl(home())));
    EXPECT_EQ(storedGrants().size(), folders.size() + 2); // and the two above
}

} // namespace
