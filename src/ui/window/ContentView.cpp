#include "ui/window/ContentView.h"

#include "rules/CleanupViewModel.h"
#include "ui/window/MainWindow.h"

namespace Sweepora::Ui {

ContentView::ContentView(QObject* parent)
    : QObject(parent), m_window(std::make_unique<MainWindow>()), m_taskCleanModel(new Core::CleanupViewModel(this))
{
    buildPages();
}

ContentView::~ContentView() = default;

void ContentView::buildPages()
{}

} // namespace Sweepora::Ui
