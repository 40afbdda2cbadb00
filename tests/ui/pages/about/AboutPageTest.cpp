#include "ui/pages/about/AboutPage.h"
#include "core/platform/PlatformLayout.h"
#include "core/scanners/AboutInfo.h"
#include "core/scanners/TrashSummaryViewModel.h"
#include "support/ChildProcess.h"
#include "ui/PageTest.h"
#include "ui/components/UrlOpener.h"
#include "ui/pages/about/AboutListRow.h"
#include "ui/pages/trash/TrashSummaryView.h"

#include <QDate>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include <sys/stat.h>

using namespace Sweepora;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

class AboutPageTest : public Themed<>
{
protected:
    void SetUp() override
    {
        Themed::SetUp();
        Ui::setUrlOpener([this](const QUrl& url) { return opened.append(url), true; });
        trash = Core::PlatformLayout::current().trashFolder;
    }

    static QString trailing(const Ui::AboutListRow* row) { return row->findChild<QLabel*>(u"trailingText"_s)->text(); }

    QList<QUrl> opened;
    QString trash;
};

TEST_F(AboutPageTest, RowsShowTheProductAndOpenTheirAddressesAndTheCardCountsOnceGranted)
{
    Ui::AboutPage page;
    showAt(page, 640, 720);
    ASSERT_EQ(page.rows().size(), 4);
    EXPECT_EQ(trailing(page.rows()[0]), Core::AboutInfo::kWebsiteDomain);
    EXPECT_EQ(trailing(page.rows()[1]), Core::AboutInfo::kFeedbackAddress);
    EXPECT_EQ(trailing(page.rows()[2]), Core::AboutInfo::installedVersionText());
    EXPECT_TRUE(trailing(page.rows()[3]).contains(QString::number(QDate::currentDate().year())));
    EXPECT_TRUE(page.rows()[2]->findChild<QLabel*>(u"chevron"_s) == nullptr);

    // Without a home grant the card cannot count, but still opens the Trash folder.
    EXPECT_EQ(page.trashSummary()->statusText(), u"暂时无法读取"_s);
    Screenshots::save(&page, u"about-1-unavailable"_s);

    QTest::mouseClick(page.trashSummary()->button(), Qt::LeftButton);
    for (Ui::AboutListRow* row : page.rows())
        QTest::mouseClick(row, Qt::LeftButton);
    EXPECT_EQ(opened, (QList<QUrl>{QUrl::fromLocalFile(trash), Core::AboutInfo::websiteUrl(),
                                   Core::AboutInfo::feedbackMailUrl()}))
        << "the version and notice rows are inert";

    // The grant makes the card count (it counts on its own only when first shown). The files are
    // there before: a count running while they are written could see them half made.
    TreeBuilder bin(trash);
    bin.file(u".DS_Store"_s, 4000);
    bin.file(u"old project/src/main.c"_s, 30000);
    grantHome();
    EXPECT_TRUE(waitUntil([&] { return page.trashSummary()->statusText().startsWith(u"2 项 · "_s); }, 10000))
        << page.trashSummary()->statusText().toStdString();
    Screenshots::save(&page, u"about-2-counted"_s);
}

TEST_F(AboutPageTest, AnUnreadableTrashAsksForAccessOnce)
{
    if (!ChildProcess::enter(ChildProcess::Unprivileged))
        return;
    grantHome();
    TreeBuilder(trash).file(u"x"_s, 100);
    ASSERT_EQ(::chmod(TreeBuilder::bytes(trash).c_str(), 0), 0);
    Ui::AboutPage page;
    showAt(page, 640, 720);
    Ui::TrashSummaryView* card = page.trashSummary();
    // The alert and the card's text come from one answer, published in turn: wait for both.
    ASSERT_TRUE(
        waitUntil([&] { return card->accessAlert() != nullptr && card->statusText() == u"暂时无法读取"_s; }, 10000))
        << card->statusText().toStdString();
    Screenshots::save(card->accessAlert(), u"about-3-access-alert"_s);
    // The unreadable Trash is logged, with its path.
    EXPECT_FALSE(loggedLines().filter(u"[TrashSummary] 读取 Finder 废纸篓失败："_s + trash).isEmpty());

    // Linux's own reason, not macOS's privacy settings.
    EXPECT_TRUE(card->accessAlert()->text().contains(trash));
    QAbstractButton* open = buttonWithText(card->accessAlert(), u"在文件管理器中显示"_s);
    ASSERT_NE(open, nullptr);
    QTest::mouseClick(open, Qt::LeftButton);
    EXPECT_EQ(card->accessAlert(), nullptr);
    EXPECT_FALSE(card->model().showFullDiskAccessPrompt());
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(QFileInfo(trash).absolutePath())});
    ::chmod(TreeBuilder::bytes(trash).c_str(), 0700);
}

} // namespace
