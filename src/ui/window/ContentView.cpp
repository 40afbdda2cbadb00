#include "ui/window/ContentView.h"

#include "rules/CleanupViewModel.h"
#include "ui/pages/AboutPage.h"
#include "ui/pages/StorageAnalysisPage.h"
#include "ui/window/MainWindow.h"

namespace Sweepora::Ui {

ContentView::ContentView(QObject* parent)
    : QObject(parent), m_window(std::make_unique<MainWindow>()), m_taskCleanModel(new Core::CleanupViewModel(this))
{
    buildPages();
}

ContentView::~ContentView() = default;

void ContentView::buildPages()
{
    // These pages own their models.
    m_window->setPage(QStringLiteral("存储大小分析"), new StorageAnalysisPage);
    m_window->setPage(QStringLiteral("关于"), new AboutPage);
}

} // namespace Sweepora::Ui
