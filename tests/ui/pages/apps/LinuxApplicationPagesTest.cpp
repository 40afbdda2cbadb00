// 应用清理 and 卸载应用 on the Linux profile, with a Flatpak, an AppImage and leftovers.
#include "core/apps/ApplicationCleanupViewModel.h"
#include "core/apps/ApplicationUninstallModel.h"
#include "core/apps/LeftoverViewModel.h"
#include "support/LinuxApplicationFixture.h"
#include "ui/PageTest.h"
#include "ui/pages/apps/ApplicationCleanupPage.h"
#include "ui/pages/apps/ApplicationUninstallPage.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Sweepora::Ui;
using namespace Qt::StringLiterals;

namespace {

using LinuxApplicationPagesTest = Themed<LinuxApplicationFixture>;

TEST_F(LinuxApplicationPagesTest, CachesGoByTheFlatpaksNameUninstallSaysWhatHappensAndLeftoversAreATickedList)
{
    grantHome();
    flatpak(flatpakUser(), u"org.foo.Bar"_s, u"酒吧"_s, 20000);
    const QString image = appImage(home() + u"/AppImages/Foo.AppImage"_s);
    entry(userEntries() + u"/appimagekit-foo.desktop"_s, u"Name=Foo\nExec="_s + image);
    m_tree->file(u".var/app/org.foo.Bar/cache/c"_s, 3000);
    m_tree->file(u".var/app/org.gone.App/data/d"_s, 5000);
    m_tree->file(u".config/appimagekit-foo/settings"_s, 100);
    {
        ApplicationCleanupViewModel model;
        ApplicationCleanupPage caches(model);
        showAt(caches, 1000, 600);
        model.startScan();
        ASSERT_TRUE(waitForState(model, ScanState::scanned));
        ASSERT_EQ(model.results().size(), 1);
        EXPECT_EQ(model.results()[0].target.name, u"酒吧"_s);
        EXPECT_EQ(model.results()[0].target.kind, ApplicationKind::flatpak);
        Screenshots::save(&caches, u"linux-app-caches"_s);
    }
    ApplicationUninstallPage page;
    showAt(page, 1100, 640);
    ASSERT_TRUE(waitUntil([&] { return !page.model().isScanning() && page.rowCount() == 2; }));
    EXPECT_TRUE(page.leftoversSwitch()->isVisible());
    Screenshots::save(&page, u"linux-uninstall-1-listed"_s);

    page.showDetail(home() + u"/AppImages/Foo.AppImage"_s);
    ASSERT_TRUE(page.sidePanel()->isVisible());
    EXPECT_EQ(page.detailList()->model()->rowCount(), 3); // the image, its entry and its settings
    EXPECT_TRUE(page.removalNote()->text().contains(u"将移到废纸篓"_s));
    page.requestUninstall();
    ASSERT_NE(page.confirmation(), nullptr);
    EXPECT_TRUE(page.confirmation()->text().contains(u"2 个关联项目将移到废纸篓"_s))
        << page.confirmation()->text().toStdString();
    Screenshots::save(page.confirmation(), u"linux-uninstall-2-confirmation"_s);
    buttonWithText(page.confirmation(), u"移到废纸篓"_s)->click();
    ASSERT_TRUE(waitUntil([&] { return !page.model().isUninstalling() && !page.model().isScanning(); }));
    ASSERT_TRUE(waitUntil([&] { return page.rowCount() == 1; }));
    EXPECT_FALSE(QFile::exists(home() + u"/AppImages/Foo.AppImage"_s));

    page.showDetail(flatpakUser() + u"/app/org.foo.Bar"_s);
    EXPECT_EQ(page.uninstallButton()->text(), ApplicationUninstallModel::flatpakProgram().isEmpty()
                                                  ? u"移走关联文件"_s
                                                  : u"用 Flatpak 卸载并移走数据"_s);
    Screenshots::save(&page, u"linux-uninstall-3-flatpak"_s);

    page.leftoversSwitch()->click();
    ASSERT_TRUE(waitForState(page.leftovers(), ScanState::scanned));
    EXPECT_FALSE(page.sidePanel()->isVisible());
    const auto checker = checkModel(page.leftoverList()->model());
    ASSERT_EQ(page.leftoverList()->model()->rowCount(), 1);
    EXPECT_FALSE(page.leftoverCleanButton()->isEnabled());
    emit page.leftoverList()->toggleRequested(home() + u"/.var/app/org.gone.App"_s);
    EXPECT_TRUE(page.leftoverCleanButton()->isEnabled());
    Screenshots::save(&page, u"linux-uninstall-4-leftovers"_s);
    page.leftoverCleanButton()->click();
    ASSERT_TRUE(waitUntil([&] { return page.leftoverList()->model()->rowCount() == 0; }));
    EXPECT_FALSE(QDir(home() + u"/.var/app/org.gone.App"_s).exists());
    EXPECT_TRUE(QDir(home() + u"/.var/app/org.foo.Bar"_s).exists());
}

} // namespace
