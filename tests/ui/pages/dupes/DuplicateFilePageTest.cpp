#include "ui/pages/dupes/DuplicateFilePage.h"
#include "core/scanners/DuplicateFileViewModel.h"
#include "core/trash/Trash.h"
#include "support/TrashFakes.h"
#include "ui/PageTest.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/PlaceholderView.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

using namespace Sweepora::Core;
using namespace Sweepora::Ui;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

using DuplicatePage = Themed<>;

TEST_F(DuplicatePage, ScansWithProgressFiltersKeepsAChosenCopyAndCleansTheTickedOnes)
{
    grantHome();
    const QString photo = m_tree->filledFile(u"Pictures/beach.jpg"_s, 2'000'000, 'p', 1'600'000'000);
    const QString photoCopy = m_tree->filledFile(u"Downloads/beach (1).jpg"_s, 2'000'000, 'p');
    const QString photoCopy2 = m_tree->filledFile(u"Desktop/old/beach.jpg"_s, 2'000'000, 'p');
    const QString video = m_tree->filledFile(u"Movies/clip.mp4"_s, 1'500'000, 'v', 1'600'000'000);
    m_tree->filledFile(u"Backup/clip.mp4"_s, 1'500'000, 'v');
    m_tree->filledFile(u"Documents/unique.pdf"_s, 1'500'000, 'u');
    auto trash = std::make_shared<RecordingTrash>();
    Trash::setCurrent(trash);

    DuplicateFilePage page;
    showAt(page, 900, 560);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    EXPECT_EQ(page.placeholder()->title(), u"查找重复文件"_s);
    Screenshots::save(&page, u"duplicates-ready"_s);

    ASSERT_TRUE(clickAndWait(page.actionButton(), page.model()));
    QTreeWidget* tree = page.tree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    QTreeWidgetItem* photos = tree->topLevelItem(0);
    ASSERT_EQ(photos->childCount(), 3);
    // The oldest copy is kept: marked, unticked, and its box cannot be ticked.
    EXPECT_EQ(photos->child(0)->toolTip(1), photo);
    EXPECT_EQ(photos->child(0)->checkState(0), Qt::Unchecked);
    EXPECT_FALSE(photos->child(0)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_EQ(photos->child(1)->checkState(0), Qt::Checked);
    EXPECT_EQ(page.model().message(), u"发现 2 组重复文件，可释放 5.5 MB"_s);
    EXPECT_EQ(page.actionButton()->text(), u"删除 5.5 MB"_s);
    Screenshots::save(&page, u"duplicates-scanned"_s);

    page.kindFilter()->setCurrentIndex(page.kindFilter()->findText(u"视频"_s));
    emit page.kindFilter()->activated(page.kindFilter()->currentIndex());
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->toolTip(1), video);
    Screenshots::save(&page, u"duplicates-videos"_s);
    page.kindFilter()->setCurrentIndex(0);
    emit page.kindFilter()->activated(0);
    ASSERT_EQ(tree->topLevelItemCount(), 2);

    // A reference folder's copy is kept and never ticked; unticking a copy by its box.
    m_picker->answerWith(m_tree->path(u"Desktop"_s));
    QTest::mouseClick(page.referenceButton(), Qt::LeftButton);
    EXPECT_EQ(page.referenceLabel()->text(), u"Desktop"_s);
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->toolTip(1), photoCopy2);
    tree->topLevelItem(1)->child(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_TRUE(waitUntil([&] { return page.model().selectedCount() == 2; }));
    // The user keeps the download instead: the photo it replaces gets the tick.
    page.model().keepCopy(photoCopy);
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->toolTip(1), photoCopy);
    Screenshots::save(&page, u"duplicates-reference"_s);

    ASSERT_TRUE(clickAndWait(page.actionButton(), page.model()));
    EXPECT_EQ(QSet<QString>(trash->requests().cbegin(), trash->requests().cend()), (QSet<QString>{photo}));
    Screenshots::save(&page, u"duplicates-cleaned"_s);

    EXPECT_EQ(DuplicateFilePage::progressText(0, 0, 0, 0), u"正在查找大小相同的文件…"_s);
    EXPECT_EQ(DuplicateFilePage::progressText(3, 10, 1'500'000, 20'000'000), u"已校验 3 / 10 个文件，1.5 MB / 20 MB"_s);
}
