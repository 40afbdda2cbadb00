#include "core/apps/ApplicationCleanupViewModel.h"
#include "core/apps/ApplicationUninstallModel.h"
#include "support/ApplicationFixture.h"
#include "ui/PageTest.h"
#include "ui/components/CleanupRow.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/PlaceholderView.h"
#include "ui/components/ScanFilePanel.h"
#include "ui/pages/apps/ApplicationCleanupPage.h"
#include "ui/pages/apps/ApplicationUninstallPage.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;
using namespace Sweepora::Ui;

namespace {

using ApplicationPagesTest = Themed<ApplicationFixture>;

TEST_F(ApplicationPagesTest, UninstallThroughTheConfirmationWithADeclinedFolder)
{
    grantHome();
    BundlePlist plist = BundleBuilder::binary(u"com.example.viewer"_s, 2000);
    plist.displayName = u"看图"_s;
    const QString bundle = BundleBuilder::make(sharedApps() + u"/Viewer.app"_s, plist);
    m_tree->file(u"Library/Caches/com.example.viewer/thumbs"_s, 4000);
    m_tree->file(u"Library/Preferences/com.example.viewer.plist"_s, 100);

    ApplicationUninstallPage page;
    QStringList revealed;
    page.setRevealHandler([&](const QString& path) { revealed.append(path); });
    showAt(page, 1000, 600); // the first show lists the applications
    ASSERT_TRUE(waitUntil([&] { return !page.model().isScanning() && page.rowCount() == 1; }));
    EXPECT_TRUE(page.rescanButton()->isEnabled());
    Screenshots::save(&page, u"uninstall-1-listed"_s);

    QToolButton* inspect = page.findChild<QToolButton*>(u"uninstallRowInspect"_s);
    ASSERT_NE(inspect, nullptr);
    inspect->click();
    ASSERT_TRUE(page.sidePanel()->isVisible());
    const auto checker = checkModel(page.detailList()->model());
    EXPECT_EQ(page.detailList()->model()->rowCount(), 3); // the bundle, then two related items
    EXPECT_EQ(page.detailList()->model()->index(0, 0).data(Qt::UserRole + 100).toString(), bundle);
    Screenshots::save(&page, u"uninstall-2-detail"_s);

    // Cancelling leaves everything as it was.
    page.uninstallButton()->click();
    ASSERT_NE(page.confirmation(), nullptr);
    Screenshots::save(page.confirmation(), u"uninstall-3-confirmation"_s);
    EXPECT_EQ(page.confirmation()->defaultButton(), buttonWithText(page.confirmation(), u"取消"_s));
    buttonWithText(page.confirmation(), u"取消"_s)->click();
    ASSERT_TRUE(waitUntil([&] { return page.confirmation() == nullptr; }));
    EXPECT_FALSE(page.model().isUninstalling());
    EXPECT_TRUE(page.detail().has_value());

    // The picker answers with another folder than the one that holds the bundle.
    m_picker->answerWith(home());
    page.uninstallButton()->click();
    ASSERT_NE(page.confirmation(), nullptr);
    buttonWithText(page.confirmation(), u"移到废纸篓"_s)->click();
    EXPECT_FALSE(page.detail().has_value());
    EXPECT_FALSE(page.sidePanel()->isVisible());
    ASSERT_TRUE(waitUntil([&] { return !page.model().isUninstalling() && !page.model().isScanning(); }));
    ASSERT_TRUE(waitUntil([&] { return page.manualRemovalAlert() != nullptr; }));

    EXPECT_EQ(page.messageLabel()->text(), page.model().message());
    QMessageBox* alert = page.manualRemovalAlert();
    Screenshots::save(alert, u"uninstall-4-alert"_s);
    buttonWithText(alert, u"在文件管理器中显示"_s)->click();
    EXPECT_EQ(revealed, QStringList{bundle});
    EXPECT_TRUE(page.model().manualRemovalPath().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return page.manualRemovalAlert() == nullptr; }));
    Screenshots::save(&page, u"uninstall-5-after"_s);
}

TEST_F(ApplicationPagesTest, CachePageScansTicksAndCleans)
{
    grantHome();
    BundlePlist plist = BundleBuilder::xml(u"com.example.browser"_s);
    plist.displayName = u"Browser"_s;
    BundleBuilder::make(homeApps() + u"/Browser.app"_s, plist);
    m_tree->file(u"Library/Caches/com.example.browser/blob"_s, 3000);

    ApplicationCleanupViewModel model;
    ApplicationCleanupPage page(model);
    showAt(page, 1000, 600);
    Screenshots::save(&page, u"app-cache-1-ready"_s);

    ASSERT_TRUE(clickAndWait(page.actionButton(), model));
    ASSERT_EQ(page.rows().size(), 1);
    EXPECT_EQ(page.actionButton()->text(), u"删除 0 KB"_s);
    EXPECT_FALSE(page.actionButton()->isEnabled());

    page.rows()[0]->findChild<QCheckBox*>()->click();
    EXPECT_EQ(page.actionButton()->text(), u"删除 3 KB"_s);
    page.inspect(u"com.example.browser"_s);
    EXPECT_TRUE(page.filePanel()->isVisible());
    EXPECT_LE(page.actionButton()->mapTo(&page, QPoint(page.actionButton()->width(), 0)).x(),
              page.filePanel()->mapTo(&page, QPoint(0, 0)).x());
    Screenshots::save(&page, u"app-cache-2-scanned"_s);

    page.actionButton()->click();
    ASSERT_TRUE(waitUntil([&] { return model.state() == ScanState::scanned && model.results().isEmpty(); }));
    EXPECT_TRUE(page.rows().isEmpty());
    EXPECT_FALSE(page.filePanel()->isVisible());
    EXPECT_EQ(page.placeholder()->title(), model.message());
    EXPECT_EQ(page.actionButton()->text(), u"开始扫描"_s);
    Screenshots::save(&page, u"app-cache-3-cleaned"_s);
}

} // namespace
