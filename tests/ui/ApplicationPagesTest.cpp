#include "PageTest.h"
#include "apps/ApplicationCleanupViewModel.h"
#include "apps/ApplicationUninstallModel.h"
#include "support/ApplicationFixture.h"
#include "support/Screenshots.h"
#include "ui/components/CleanupRow.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/PlaceholderView.h"
#include "ui/components/ScanFilePanel.h"
#include "ui/pages/apps/ApplicationCleanupPage.h"
#include "ui/pages/apps/ApplicationUninstallPage.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Sweepora::Ui;

namespace {

using ApplicationPagesTest = Themed<ApplicationFixture>;

TEST_F(ApplicationPagesTest, UninstallThroughTheConfirmationWithADeclinedFolder)
{
    grantHome();
    BundlePlist plist = BundleBuilder::binary(QStringLiteral("com.example.viewer"), 2000);
    plist.displayName = QStringLiteral("看图");
    const QString bundle = BundleBuilder::make(sharedApps() + QStringLiteral("/Viewer.app"), plist);
    m_tree->file(QStringLiteral("Library/Caches/com.example.viewer/thumbs"), 4000);
    m_tree->file(QStringLiteral("Library/Preferences/com.example.viewer.plist"), 100);

    ApplicationUninstallPage page;
    QStringList revealed;
    page.setRevealHandler([&](const QString& path) { revealed.append(path); });
    showAt(page, 1000, 600); // the first show lists the applications
    ASSERT_TRUE(waitUntil([&] { return !page.model().isScanning() && page.rowCount() == 1; }));
    EXPECT_TRUE(page.rescanButton()->isEnabled());
    Screenshots::save(&page, QStringLiteral("uninstall-1-listed"));

    QToolButton* inspect = page.findChild<QToolButton*>(QStringLiteral("uninstallRowInspect"));
    ASSERT_NE(inspect, nullptr);
    inspect->click();
    ASSERT_TRUE(page.sidePanel()->isVisible());
    const auto checker = checkModel(page.detailList()->model());
    EXPECT_EQ(page.detailList()->model()->rowCount(), 3); // the bundle, then two related items
    EXPECT_EQ(page.detailList()->model()->index(0, 0).data(Qt::UserRole + 100).toString(), bundle);
    Screenshots::save(&page, QStringLiteral("uninstall-2-detail"));

    // Cancelling leaves everything as it was.
    page.uninstallButton()->click();
    ASSERT_NE(page.confirmation(), nullptr);
    Screenshots::save(page.confirmation(), QStringLiteral("uninstall-3-confirmation"));
    EXPECT_EQ(page.confirmation()->defaultButton(), buttonWithText(page.confirmation(), QStringLiteral("取消")));
    buttonWithText(page.confirmation(), QStringLiteral("取消"))->click();
    ASSERT_TRUE(waitUntil([&] { return page.confirmation() == nullptr; }));
    EXPECT_FALSE(page.model().isUninstalling());
    EXPECT_TRUE(page.detail().has_value());

    // The picker answers with another folder than the one that holds the bundle.
    m_picker->answerWith(home());
    page.uninstallButton()->click();
    ASSERT_NE(page.confirmation(), nullptr);
    buttonWithText(page.confirmation(), QStringLiteral("移到废纸篓"))->click();
    EXPECT_FALSE(page.detail().has_value());
    EXPECT_FALSE(page.sidePanel()->isVisible());
    ASSERT_TRUE(waitUntil([&] { return !page.model().isUninstalling() && !page.model().isScanning(); }));
    ASSERT_TRUE(waitUntil([&] { return page.manualRemovalAlert() != nullptr; }));

    EXPECT_EQ(page.messageLabel()->text(), page.model().message());
    QMessageBox* alert = page.manualRemovalAlert();
    Screenshots::save(alert, QStringLiteral("uninstall-4-alert"));
    buttonWithText(alert, QStringLiteral("在文件管理器中显示"))->click();
    EXPECT_EQ(revealed, QStringList{bundle});
    EXPECT_TRUE(page.model().manualRemovalPath().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return page.manualRemovalAlert() == nullptr; }));
    Screenshots::save(&page, QStringLiteral("uninstall-5-after"));
}

TEST_F(ApplicationPagesTest, CachePageScansTicksAndCleans)
{
    grantHome();
    BundlePlist plist = BundleBuilder::xml(QStringLiteral("com.example.browser"));
    plist.displayName = QStringLiteral("Browser");
    BundleBuilder::make(homeApps() + QStringLiteral("/Browser.app"), plist);
    m_tree->file(QStringLiteral("Library/Caches/com.example.browser/blob"), 3000);

    ApplicationCleanupViewModel model;
    ApplicationCleanupPage page(model);
    showAt(page, 1000, 600);
    Screenshots::save(&page, QStringLiteral("app-cache-1-ready"));

    page.actionButton()->click();
    ASSERT_TRUE(waitUntil([&] { return model.state() == ScanState::scanned; }));
    ASSERT_EQ(page.rows().size(), 1);
    EXPECT_EQ(page.actionButton()->text(), QStringLiteral("删除 0 KB"));
    EXPECT_FALSE(page.actionButton()->isEnabled());

    page.rows()[0]->findChild<QCheckBox*>()->click();
    EXPECT_TRUE(model.results()[0].selected);
    EXPECT_EQ(page.actionButton()->text(), QStringLiteral("删除 3 KB"));
    page.inspect(QStringLiteral("com.example.browser"));
    EXPECT_TRUE(page.filePanel()->isVisible());
    EXPECT_LE(page.actionButton()->mapTo(&page, QPoint(page.actionButton()->width(), 0)).x(),
              page.filePanel()->mapTo(&page, QPoint(0, 0)).x());
    Screenshots::save(&page, QStringLiteral("app-cache-2-scanned"));

    page.actionButton()->click();
    ASSERT_TRUE(waitUntil([&] { return model.state() == ScanState::scanned && model.results().isEmpty(); }));
    EXPECT_TRUE(page.rows().isEmpty());
    EXPECT_FALSE(page.filePanel()->isVisible());
    EXPECT_EQ(page.placeholder()->title(), model.message());
    EXPECT_EQ(page.actionButton()->text(), QStringLiteral("开始扫描"));
    Screenshots::save(&page, QStringLiteral("app-cache-3-cleaned"));
}

} // namespace
