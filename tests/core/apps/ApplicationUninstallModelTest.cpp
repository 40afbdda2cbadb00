#include "apps/ApplicationUninstallModel.h"
#include "platform/Notifications.h"
#include "support/ApplicationFixture.h"
#include "trash/Trash.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

class ApplicationUninstallModelTest : public ApplicationFixture
{
protected:
    void SetUp() override
    {
        ApplicationFixture::SetUp();
        QObject::connect(&Notifications::instance(), &Notifications::trashContentsDidChange, &m_receiver,
                         [this] { ++m_trashNotifications; });
        QObject::connect(&m_model, &ApplicationUninstallModel::messageChanged, &m_receiver,
                         [this] { m_messages.append(m_model.message()); });
    }
    bool scanAndWait()
    {
        m_model.scan();
        return QTest::qWaitFor([&] { return !m_model.isScanning(); }, 10000);
    }
    bool waitForUninstall()
    {
        return QTest::qWaitFor([&] { return !m_model.isUninstalling() && !m_model.isScanning(); }, 10000);
    }
    const UninstallApplication* find(const QString& name) const
    {
        for (const UninstallApplication& a : m_model.applications())
            if (a.name == name)
                return &a;
        return nullptr;
    }

    QObject m_receiver;
    ApplicationUninstallModel m_model;
    int m_trashNotifications = 0;
    QStringList m_messages;
};

TEST_F(ApplicationUninstallModelTest, ADeclinedParentFolderFailsTheBundleButStillMovesRelatedItems)
{
    grantHome();
    BundlePlist plist = BundleBuilder::binary(QStringLiteral("com.shared"), 10);
    plist.displayName = QStringLiteral("Shared");
    const QString bundle = BundleBuilder::make(sharedApps() + QStringLiteral("/Shared.app"), plist);
    const QString cache = m_tree->file(QStringLiteral("Library/Caches/com.shared/c"), 30);
    const QString prefs = m_tree->file(QStringLiteral("Library/Preferences/com.shared.plist"), 3);
    ASSERT_TRUE(scanAndWait());
    EXPECT_EQ(m_model.message(), QStringLiteral("找到 1 个应用"));
    const UninstallApplication* app = find(QStringLiteral("Shared"));
    ASSERT_NE(app, nullptr);

    m_picker->answerWith(home()); // a different folder than the one asked for
    m_model.uninstall(*app);
    ASSERT_TRUE(waitForUninstall());

    ASSERT_EQ(m_picker->requests().size(), 2); // the home grant, then the folder of the bundle
    const FolderPickerRequest& request = m_picker->requests()[1];
    EXPECT_EQ(request.title, QStringLiteral("授权卸载应用"));
    EXPECT_EQ(request.message,
              QStringLiteral("请选择 ") + sharedApps() + QStringLiteral("，以便将应用及关联文件移到废纸篓。"));
    EXPECT_EQ(request.prompt, QStringLiteral("授权此文件夹"));
    EXPECT_EQ(request.directory, sharedApps());
    EXPECT_TRUE(m_messages.contains(QStringLiteral("请授权访问 ") + sharedApps() + QStringLiteral(" 后继续卸载")));

    EXPECT_EQ(m_model.message(), QStringLiteral("应用本体未移走；已处理 2 个关联项目，0 个失败"));
    EXPECT_EQ(m_model.manualRemovalPath(), bundle);
    EXPECT_TRUE(QDir(bundle).exists());
    EXPECT_FALSE(QFile::exists(cache));
    EXPECT_FALSE(QFile::exists(prefs));
    EXPECT_EQ(m_trashNotifications, 1);
    // No attempt on the bundle, so nothing is logged for it.
    EXPECT_TRUE(loggedLines().filter(QStringLiteral("[ApplicationUninstall]")).isEmpty());
    // The rescan still lists the bundle, now without related items.
    ASSERT_NE(find(QStringLiteral("Shared")), nullptr);
    EXPECT_TRUE(find(QStringLiteral("Shared"))->related.isEmpty());

    m_model.clearManualRemoval();
    EXPECT_TRUE(m_model.manualRemovalPath().isEmpty());
}

TEST_F(ApplicationUninstallModelTest, GrantingTheAskedFolderLetsTheBundleMove)
{
    grantHome();
    const QString bundle = BundleBuilder::make(sharedApps() + QStringLiteral("/Utilities/T.app"),
                                               BundleBuilder::xml(QStringLiteral("com.t")));
    const QString other = BundleBuilder::make(sharedApps() + QStringLiteral("/Utilities/U.app"),
                                              BundleBuilder::xml(QStringLiteral("com.u")));
    ASSERT_TRUE(scanAndWait());
    m_picker->answerWith(sharedApps() + QStringLiteral("/Utilities"));
    m_model.uninstall(*find(QStringLiteral("T")));
    ASSERT_TRUE(waitForUninstall());
    EXPECT_EQ(m_picker->requests().size(), 2); // the home grant, then the folder of the bundle
    EXPECT_EQ(m_model.message(), QStringLiteral("已移到废纸篓"));
    EXPECT_FALSE(QDir(bundle).exists());
    EXPECT_TRUE(QDir(other).exists());
    EXPECT_TRUE(m_model.manualRemovalPath().isEmpty());
}

TEST_F(ApplicationUninstallModelTest, AfterARefusedGrantAHomeApplicationWithoutRelatedItemsMovesWithoutQuestions)
{
    EXPECT_EQ(m_model.message(), QStringLiteral("扫描已安装应用及关联文件"));
    m_picker->cancelNext();
    m_model.scan(QStringLiteral("ignored"));
    EXPECT_FALSE(m_model.isScanning());
    EXPECT_EQ(m_model.message(), QStringLiteral("需要授权个人文件夹才能查找关联文件"));

    grantHome();
    const QString bundle =
        BundleBuilder::make(homeApps() + QStringLiteral("/Solo.app"), BundleBuilder::xml(QStringLiteral("com.solo")));
    ASSERT_TRUE(scanAndWait());
    ASSERT_EQ(m_model.applications().size(), 1);
    m_model.uninstall(m_model.applications()[0]);
    EXPECT_TRUE(m_model.isUninstalling());
    ASSERT_TRUE(waitForUninstall());
    EXPECT_EQ(m_picker->requests().size(), 2); // the refused home grant and the given one, nothing more
    EXPECT_EQ(m_model.message(), QStringLiteral("已移到废纸篓"));
    EXPECT_FALSE(QDir(bundle).exists());
    EXPECT_TRUE(m_model.applications().isEmpty());
    EXPECT_EQ(m_trashNotifications, 1);
}

} // namespace
