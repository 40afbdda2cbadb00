#include "ui/window/ContentView.h"

#include "rules/CleanupViewModel.h"
#include "ui/window/MainWindow.h"
#include "ui/window/OnlineFeatures.h"

namespace Sweepora::Ui {

ContentView::ContentView(QObject* parent)
    : QObject(parent), m_window(std::make_unique<MainWindow>()), m_taskCleanModel(new Core::CleanupViewModel(this))
{
    buildPages();
    startOnlineTasks();
}

ContentView::~ContentView() = default;

void ContentView::buildPages()
{
    m_online = new OnlineFeatures(*m_window, this);
}

void ContentView::startOnlineTasks()
{
    m_online->start();
}

} // namespace Sweepora::Ui
