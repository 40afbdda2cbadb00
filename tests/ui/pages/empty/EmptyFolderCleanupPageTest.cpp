#include "ui/pages/empty/EmptyFolderCleanupPage.h"
#include "core/scanners/EmptyFolderCleanupViewModel.h"
#include "ui/PageTest.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/ImmediateLongPress.h"
#include "ui/components/PlaceholderView.h"

#include <QFileInfo>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;
using namespace Sweepora::Ui;

using EmptyFolderPage = Themed<>;

TEST_F(EmptyFolderPage, ScanSelectAndCleanThroughTheWidgets)
{
    grantHome();
    m_tree->folder(u"Projects/old/build"_s);
    m_tree->folder(u"Downloads/unpacked"_s);
    const QString plain = m_tree->folder(u"Music/empty"_s);
    m_tree->file(u"Documents/.DS_Store"_s);
    EmptyFolderCleanupViewModel model;
    EmptyFolderCleanupPage page(model);
    const auto checker = checkModel(page.list()->model());
    showAt(page, 720, 480);

    FloatingActionButton* button = page.actionButton();
    Screenshots::save(&page, u"empty-folders-ready"_s);

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(model.state(), ScanState::scanning);
    EXPECT_FALSE(button->isVisible());
    EXPECT_TRUE(page.placeholder()->isBusy());
    Screenshots::save(&page, u"empty-folders-scanning"_s);
    ASSERT_TRUE(waitUntil([&] { return model.state() == ScanState::scanned; }, 10000));

    ASSERT_TRUE(page.list()->isVisible());
    ASSERT_EQ(page.list()->model()->rowCount(), 3);
    EXPECT_EQ(button->text(), u"删除 0 项"_s);

    longPress(button, [&] { return button->longPress()->didTrigger(); }); // all, and the release starts no clean
    EXPECT_EQ(model.selectedCount(), 3);
    EXPECT_EQ(model.state(), ScanState::scanned);

    // Keep "Projects/old/build" (row 0, deepest first then by path).
    clickCheckbox(page.list(), 0);
    EXPECT_EQ(button->text(), u"删除 2 项"_s);
    Screenshots::save(&page, u"empty-folders-scanned"_s);

    ASSERT_TRUE(clickAndWait(button, model));
    EXPECT_FALSE(QFileInfo::exists(plain));
    EXPECT_EQ(page.list()->model()->rowCount(), 1);
    Screenshots::save(&page, u"empty-folders-cleaned"_s);

    // With everything gone the placeholder shows the last message and invites a new scan.
    clickCheckbox(page.list(), 0);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return model.state() == ScanState::scanned && model.folders().isEmpty(); }, 10000));
    EXPECT_TRUE(page.placeholder()->isVisible());
    EXPECT_EQ(page.placeholder()->symbolName(), u"checkmark.circle"_s);
    EXPECT_EQ(page.placeholder()->title(), model.message());
    EXPECT_EQ(page.placeholder()->subtitle(), u"可重新扫描以检查刚刚变空的上级目录"_s);
    EXPECT_EQ(button->text(), u"开始扫描"_s);
    Screenshots::save(&page, u"empty-folders-all-moved"_s);
}
