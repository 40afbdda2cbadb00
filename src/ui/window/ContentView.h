#pragma once

#include <QObject>

#include <memory>

namespace Sweepora::Core {
class CleanupViewModel;
class MiscFileCleanupViewModel;
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
    Core::MiscFileCleanupViewModel& miscFileModel() const { return *m_miscFileModel; }
    Core::MiscFileCleanupViewModel& archiveModel() const { return *m_archiveModel; }
    Core::MiscFileCleanupViewModel& installerModel() const { return *m_installerModel; }

private:
    // One line per section page.
    void buildPages();

    std::unique_ptr<MainWindow> m_window;
    Core::CleanupViewModel* m_taskCleanModel = nullptr; // owned as a child of this object
    // One per category for the whole process; owned as children of this object.
    Core::MiscFileCleanupViewModel* m_miscFileModel = nullptr;
    Core::MiscFileCleanupViewModel* m_archiveModel = nullptr;
    Core::MiscFileCleanupViewModel* m_installerModel = nullptr;
};

} // namespace Sweepora::Ui
