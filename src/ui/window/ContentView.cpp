#include "ui/window/ContentView.h"

#include "rules/CleanupViewModel.h"
#include "scanners/MiscFileCleanupViewModel.h"
#include "ui/pages/LargeFilePage.h"
#include "ui/pages/MiscFileCleanupPage.h"
#include "ui/window/MainWindow.h"

namespace Sweepora::Ui {

ContentView::ContentView(QObject* parent)
    : QObject(parent), m_window(std::make_unique<MainWindow>()), m_taskCleanModel(new Core::CleanupViewModel(this)),
      m_miscFileModel(new Core::MiscFileCleanupViewModel(Core::MiscFileCategory::Miscellaneous, this)),
      m_archiveModel(new Core::MiscFileCleanupViewModel(Core::MiscFileCategory::Archives, this)),
      m_installerModel(new Core::MiscFileCleanupViewModel(Core::MiscFileCategory::Installers, this))
{
    buildPages();
}

ContentView::~ContentView() = default;

void ContentView::buildPages()
{
    m_window->setPage(QStringLiteral("闲杂文件"), new MiscFileCleanupPage(*m_miscFileModel));
    m_window->setPage(QStringLiteral("压缩包清理"), new MiscFileCleanupPage(*m_archiveModel));
    m_window->setPage(QStringLiteral("安装包清理"), new MiscFileCleanupPage(*m_installerModel));
    m_window->setPage(QStringLiteral("大文件清理"), new LargeFilePage);
}

} // namespace Sweepora::Ui
