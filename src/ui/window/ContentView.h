#pragma once

#include "core/rules/RuleStore.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class QWidget;

namespace Sweepora::Core {
class ApplicationCleanupViewModel;
class CleanupViewModel;

class EmptyFolderCleanupViewModel;
class FileSearchViewModel;
class MiscFileCleanupViewModel;
enum class SectionKey;
} // namespace Sweepora::Core

namespace Sweepora::Ui {

class MainWindow;
class OnlineFeatures;

// The application's one window and everything that lives as long as it: the long-lived view
// models, the pages of the sections, and the start-up sequence.
class ContentView : public QObject
{
    Q_OBJECT
public:
    static inline const QString kAuthorizationPromptName = QStringLiteral("authorizationPrompt");

    // What tests replace; the application runs with the defaults.
    struct Setup
    {
        std::optional<Core::RuleStore> ruleStore; // the rule scanner's rules (default: resources + user folder)
    };

    explicit ContentView(QObject* parent = nullptr);
    explicit ContentView(Setup setup, QObject* parent = nullptr);
    ~ContentView() override;

    MainWindow& window() const { return *m_window; }
    Core::CleanupViewModel& taskCleanModel() const { return *m_taskCleanModel; }
    OnlineFeatures& online() const { return *m_online; }
    Core::ApplicationCleanupViewModel& applicationCleanupModel() const { return *m_applicationCleanupModel; }
    Core::EmptyFolderCleanupViewModel& emptyFolderCleanupModel() const { return *m_emptyFolderCleanupModel; }
    Core::FileSearchViewModel& fileSearchModel() const { return *m_fileSearchModel; }
    Core::MiscFileCleanupViewModel& miscFileModel() const { return *m_miscFileModel; }
    Core::MiscFileCleanupViewModel& archiveModel() const { return *m_archiveModel; }
    Core::MiscFileCleanupViewModel& installerModel() const { return *m_installerModel; }

    // The launch check ran (it runs once, when the window is first shown).
    bool hasCheckedAuthorization() const { return m_hasCheckedAuthorization; }
    // The home-folder alert while it is open, else null.
    QMessageBox* authorizationPrompt() const { return m_authorizationPrompt; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Registers the page of every section that has one.
    void buildPages();
    // The page of a section, or null for a section without a page of its own.
    QWidget* createPage(Core::SectionKey key);
    // The poem fetch and the automatic update checks, after the launch authorization check.
    void startOnlineTasks();

    std::unique_ptr<MainWindow> m_window;
    Core::CleanupViewModel* m_taskCleanModel = nullptr; // owned as a child of this object
    OnlineFeatures* m_online = nullptr;                 // owned as a child of this object
    // Runs once, when the window is first shown.
    void startUp();
    void checkAuthorizationAtLaunch();
    void showAuthorizationPrompt();

    Core::ApplicationCleanupViewModel* m_applicationCleanupModel = nullptr; // owned as a child of this object
    Core::EmptyFolderCleanupViewModel* m_emptyFolderCleanupModel = nullptr; // child of this object
    Core::FileSearchViewModel* m_fileSearchModel = nullptr;                 // child of this object
    bool m_hasCheckedAuthorization = false;
    QPointer<QMessageBox> m_authorizationPrompt;
    // One per category for the whole process; owned as children of this object.
    Core::MiscFileCleanupViewModel* m_miscFileModel = nullptr;
    Core::MiscFileCleanupViewModel* m_archiveModel = nullptr;
    Core::MiscFileCleanupViewModel* m_installerModel = nullptr;
};

} // namespace Sweepora::Ui
