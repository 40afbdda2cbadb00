#pragma once

#include <QObject>

#include <memory>

namespace Sweepora::Core {
class CleanupViewModel;
}

namespace Sweepora::Ui {

class MainWindow;
class OnlineFeatures;

// The application's one window and everything that lives as long as it: the long-lived view
// models, the pages of the sections, and the start-up sequence.
class ContentView : public QObject
{
    Q_OBJECT
public:
    explicit ContentView(QObject* parent = nullptr);
    ~ContentView() override;

    MainWindow& window() const { return *m_window; }
    Core::CleanupViewModel& taskCleanModel() const { return *m_taskCleanModel; }
    OnlineFeatures& online() const { return *m_online; }

private:
    // One line per section page.
    void buildPages();
    // The poem fetch and the automatic update checks, after the launch authorization check.
    void startOnlineTasks();

    std::unique_ptr<MainWindow> m_window;
    Core::CleanupViewModel* m_taskCleanModel = nullptr; // owned as a child of this object
    OnlineFeatures* m_online = nullptr;                 // owned as a child of this object
};

} // namespace Sweepora::Ui
