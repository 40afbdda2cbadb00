#include "ui/window/ContentView.h"

#include "rules/CleanupViewModel.h"
#include "scanners/EmptyFolderCleanupViewModel.h"
#include "scanners/FileSearchViewModel.h"
#include "ui/pages/EmptyFolderCleanupPage.h"
#include "ui/pages/FileSearchPage.h"
#include "ui/window/MainWindow.h"

namespace Sweepora::Ui {

ContentView::ContentView(QObject* parent)
    : QObject(parent), m_window(std::make_unique<MainWindow>()), m_taskCleanModel(new Core::CleanupViewModel(this)),
      m_emptyFolderCleanupModel(new Core::EmptyFolderCleanupViewModel(this)),
      m_fileSearchModel(new Core::FileSearchViewModel(this))
{
    buildPages();
}

ContentView::~ContentView() = default;

void ContentView::buildPages()
{
    m_window->setPage(QStringLiteral("空文件夹清理"), new EmptyFolderCleanupPage(*m_emptyFolderCleanupModel));
    m_window->setPage(MainWindow::kFileSearchSection, new FileSearchPage(*m_fileSearchModel));
    connect(m_window.get(), &MainWindow::fileSearchSubmitted, m_fileSearchModel, &Core::FileSearchViewModel::search);
}

} // namespace Sweepora::Ui
