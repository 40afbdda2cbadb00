#pragma once

#include <QObject>

#include <memory>

namespace Sweepora::Core {
class ApplicationCleanupViewModel;
class CleanupViewModel;
} // namespace Sweepora::Core

namespace Sweepora::Ui {

class MainWindow;

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
    Core::ApplicationCleanupViewModel& applicationCleanupModel() const { return *m_applicationCleanupModel; }

private:
    // One line per section page.
    void buildPages();

    std::unique_ptr<MainWindow> m_window;
    Core::CleanupViewModel* m_taskCleanModel = nullptr;                     // owned as a child of this object
    Core::ApplicationCleanupViewModel* m_applicationCleanupModel = nullptr; // owned as a child of this object
};

} // namespace Sweepora::Ui
