#include "WindowFixture.h"
#include "rules/CleanupViewModel.h"
#include "scanners/EmptyFolderCleanupViewModel.h"
#include "scanners/FileSearchViewModel.h"
#include "scanners/MiscFileCleanupViewModel.h"
#include "sections/SectionTable.h"
#include "support/Screenshots.h"

#include <QScrollBar>

using namespace Sweepora;
using namespace Sweepora::Test;

// Every section of a window whose lists are filled, in both themes, at the smallest window and
// at a large one: pictures for people to look at, and a check that no page needs to scroll
// sideways at the smallest size.
using WindowWalkTest = WindowFixture;

TEST_F(WindowWalkTest, EverySectionInBothThemesAtTheSmallestAndALargeWindow)
{
    if (Screenshots::folder().isEmpty())
        GTEST_SKIP() << "SWEEPORA_SCREENSHOTS names no folder";
    storeHomeGrant(home());
    addRule(QStringLiteral("com.example.viewer"), QStringLiteral("Viewer"), QStringLiteral("USERFOLDER/.cache/viewer"),
            QStringLiteral("预览缓存"));
    tree->file(QStringLiteral(".cache/viewer/thumbs.db"), 40000);
    tree->file(QStringLiteral("Downloads/setup.deb"), 90000);
    tree->file(QStringLiteral("Downloads/photos.zip"), 120000);
    tree->file(QStringLiteral("Documents/季度报告.pdf"), 30000);
    tree->file(QStringLiteral("debug.log"), 9000);
    tree->folder(QStringLiteral("Projects/old/empty"));
    tree->folder(QStringLiteral("Music/未命名"));
    QList<Core::Section> sections = Core::sidebarSections();
    sections.append(Core::section(Core::SectionKey::fileSearch));
    for (const bool dark : {false, true}) {
        content.reset();
        Ui::Theme::apply(*qApp, dark);
        launch();
        content->taskCleanModel().startScan();
        content->miscFileModel().startScan();
        content->archiveModel().startScan();
        content->installerModel().startScan();
        content->emptyFolderCleanupModel().startScan();
        content->fileSearchModel().search(QStringLiteral("报告"));
        ASSERT_TRUE(waitUntil(
            [&] {
                return content->taskCleanModel().state() == Core::ScanState::scanned &&
                       content->miscFileModel().state() == Core::ScanState::scanned &&
                       content->archiveModel().state() == Core::ScanState::scanned &&
                       content->installerModel().state() == Core::ScanState::scanned &&
                       content->emptyFolderCleanupModel().state() == Core::ScanState::scanned &&
                       content->fileSearchModel().state() == Core::ScanState::scanned;
            },
            20000));
        Ui::MainWindow& window = content->window();
        for (const QSize size : {QSize(900, 600), QSize(1440, 900)}) {
            window.resize(size);
            for (qsizetype i = 0; i < sections.size(); ++i) {
                window.setSelectedSection(sections[i].id);
                QTest::qWait(20);
                Screenshots::save(&window, QStringLiteral("walk-%1-%2x%3-%4-%5")
                                               .arg(dark ? QStringLiteral("dark") : QStringLiteral("light"))
                                               .arg(size.width())
                                               .arg(size.height())
                                               .arg(i, 2, 10, QLatin1Char('0'))
                                               .arg(sections[i].id));
                for (const QScrollBar* bar : window.currentPage()->findChildren<QScrollBar*>())
                    EXPECT_FALSE(bar->orientation() == Qt::Horizontal && bar->isVisible())
                        << sections[i].id.toStdString() << " at " << size.width();
            }
        }
    }
}
