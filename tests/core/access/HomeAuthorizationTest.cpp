#include "access/AccessManager.h"
#include "platform/Bookmark.h"
#include "platform/Notifications.h"
#include "platform/PlatformLayout.h"
#include "platform/Sandbox.h"
#include "platform/Settings.h"
#include "support/AccessFixture.h"
#include "support/ChildProcess.h"

#include <QDir>
#include <QFile>

using namespace Sweepora::Core;
using Sweepora::Test::ChildProcess;

namespace {

const QString kTag = QStringLiteral("[AccessManager] ");

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

} // namespace

TEST_F(HomeAuthorization, FirstGrantStoresTheBookmarkOpensTheHomeAndNotifies)
{
    int posted = 0;
    QObject::connect(&Notifications::instance(), &Notifications::authorizationDidChange, [&posted] { ++posted; });
    m_picker->answerWith(home());
    EXPECT_EQ(authorize(), 1);

    ASSERT_EQ(m_picker->requests().size(), 1);
    const FolderPickerRequest& asked = m_picker->requests().first();
    EXPECT_EQ(asked.title, QStringLiteral("授权Sweepora访问个人文件夹"));
    EXPECT_EQ(asked.message,
              QStringLiteral("Sweepora需要读取你选择的个人用户文件夹，才能扫描应用缓存。请选择你的用户主目录。"));
    EXPECT_EQ(asked.prompt, QStringLiteral("授权个人文件夹"));
    EXPECT_EQ(asked.directory, home());
    EXPECT_EQ(loggedLines(),
              QStringList({kTag + QStringLiteral("用户选择的文件夹：") + home(),
                           kTag + QStringLiteral("授权完成，文件夹：") + home() + QStringLiteral("，书签保存：成功")}));
    EXPECT_EQ(posted, 1);
    EXPECT_TRUE(homeGrantStored());
    EXPECT_TRUE(Sandbox::canRead(home() + QStringLiteral("/Documents/a.txt")));

    EXPECT_EQ(authorize(), 1); // granted: answers at once, without asking again
    EXPECT_EQ(m_picker->requests().size(), 1);
}

TEST_F(HomeAuthorization, AnotherFolderOrACancelCompletesFalseButTheHomeOnAnotherVolumePathIsAccepted)
{
    storeHomeGrant(makeFolder(QStringLiteral("home/other"))); // not the home: removed before asking
    m_picker->answerWith(makeFolder(QStringLiteral("home/other")));
    EXPECT_EQ(authorize(), 0);
    EXPECT_EQ(loggedLines().last(),
              kTag + QStringLiteral("授权失败，选择的不是个人文件夹：") + makeFolder(QStringLiteral("home/other")));
    EXPECT_FALSE(homeGrantStored());
    EXPECT_FALSE(Sandbox::canRead(home()));

    m_picker->cancelNext();
    EXPECT_EQ(authorize(), 0);
    EXPECT_EQ(loggedLines().last(), kTag + QStringLiteral("用户取消个人文件夹授权"));
    EXPECT_FALSE(homeGrantStored());

    // A different folder whose path merely ends with the home's is refused...
    const QString lookalike = makeFolder(QStringLiteral("vol") + home());
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
    EXPECT_EQ(loggedLines(), QStringList({kTag + QStringLiteral("系统真实个人文件夹：") + home(),
                                          kTag + QStringLiteral("App 启动，授权文件夹：无，授权状态：无效")}));
    storeHomeGrant(home());
    const LaunchReport report = AccessManager::launchCheck();
    EXPECT_TRUE(report.valid);
    EXPECT_EQ(report.folderPath, home());
    EXPECT_EQ(loggedLines().last(),
              kTag + QStringLiteral("App 启动，授权文件夹：") + home() + QStringLiteral("，授权状态：有效"));

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
        layout.probeFolder = home + QStringLiteral("/Library");
        return layout;
    }
};

TEST_F(LibraryProbe, AnUnreadableProbeFolderOrHomeMeansNoAccess)
{
    if (!ChildProcess::enter(ChildProcess::Unprivileged))
        return;
    const QString library = makeFolder(QStringLiteral("home/u/Library"));
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
