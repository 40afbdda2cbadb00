#include "ui/window/ContentView.h"

#include "apps/ApplicationCleanupViewModel.h"
#include "platform/PlatformLayout.h"
#include "platform/Sandbox.h"
#include "rules/CleanupViewModel.h"
#include "ui/pages/ApplicationCleanupPage.h"
#include "ui/pages/ApplicationUninstallPage.h"
#include "ui/window/MainWindow.h"

namespace Sweepora::Ui {

ContentView::ContentView(QObject* parent)
    : QObject(parent), m_window(std::make_unique<MainWindow>()), m_taskCleanModel(new Core::CleanupViewModel(this)),
      m_applicationCleanupModel(new Core::ApplicationCleanupViewModel(this))
{
    // Installed applications may be read wherever they are, as the sandbox allows.
    Core::Sandbox::setReadOnlyRoots(Core::PlatformLayout::current().applicationRoots);
    buildPages();
}

ContentView::~ContentView() = default;

void ContentView::buildPages()
{
    m_window->setPage(QStringLiteral("应用清理"), new ApplicationCleanupPage(*m_applicationCleanupModel));
    m_window->setPage(QStringLiteral("卸载应用"), new ApplicationUninstallPage);
}

} // namespace Sweepora::Ui
