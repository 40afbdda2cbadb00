#include "core/rules/CleanupViewModel.h"
#include "core/scanners/EmptyFolderCleanupViewModel.h"
#include "core/scanners/FileSearchViewModel.h"
#include "core/scanners/MiscFileCleanupViewModel.h"
#include "core/sections/SectionTable.h"
#include "ui/WindowFixture.h"

#include <QScrollBar>

using namespace Sweepora;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

// Every section of a window whose lists are filled, in both themes, at the smallest window and
// at a large one: pictures for people to look at, and a check that no page needs to scroll
// sideways at the smallest size.
using WindowWalkTest = WindowFixture;

TEST_F(WindowWalkTest, EverySectionInBothThemesAtTheSmallestAndALargeWindow)
{
    if (Screenshots::folder().isEmpty())
        GTEST_SKIP() << "SWEEPORA_SCREENSHOTS names no folder";
    storeHomeGrant(home());
    addRule(u"com.example.viewer"_s, u"Viewer"_s, u"USERFOLDER/.cache/viewer"_s, u"预览缓存"_s);
    m_tree->file(u".cache/viewer/thumbs.db"_s, 40000);
    m_tree->file(u"Downloads/setup.deb"_s, 90000);
    m_tree->file(u"Downloads/photos.zip"_s, 120000);
    m_tree->file(u"Documents/季度报告.pdf"_s, 30000);
    m_tree->file(u"debug.log"_s, 9000);
    m_tree->folder(u"Projects/old/empty"_s);
    m_tree->folder(u"Music/未命名"_s);
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
        content->fileSearchModel().search(u"报告"_s);
        const auto scanned = [](const auto&... models) {
            return (waitForState(models, Core::ScanState::scanned, 20000) && ...);
        };
        ASSERT_TRUE(scanned(content->taskCleanModel(), content->miscFileModel(), content->archiveModel(),
                            content->installerModel(), content->emptyFolderCleanupModel(), content->fileSearchModel()));
        Ui::MainWindow& window = content->window();
        for (const QSize size : {QSize(900, 600), QSize(1440, 900)}) {
            window.resize(size);
            for (qsizetype i = 0; i < sections.size(); ++i) {
                window.setSelectedSection(sections[i].id);
                QTest::qWait(20);
                Screenshots::save(&window, u"walk-%1-%2x%3-%4-%5"_s.arg(dark ? u"dark"_s : u"light"_s)
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
