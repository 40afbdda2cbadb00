#pragma once

#include <QObject>
#include <QPointer>

namespace Sweepora::Core {
class AccountSession;
class RuleEditorCoordinator;
class ToolbarPoem;
class UpdateChecker;
} // namespace Sweepora::Core

namespace Sweepora::Ui {

class AppUpdateSheet;
class LoginSheet;
class MainWindow;
class RuleWorkshopPage;
class RulesPage;

// The window's online side, owned by ContentView for the window's lifetime: the update checker
// and its sheet, the rule editor's coordinator and side panel, the rules and workshop pages, the
// toolbar poem, and the account item with the sign-in sheet.
class OnlineFeatures : public QObject
{
    Q_OBJECT
public:
    // Makes the two pages (the window registers them) and wires the account item; starts nothing.
    explicit OnlineFeatures(MainWindow& window, QObject* parent = nullptr);
    ~OnlineFeatures() override;

    // The window's start-up tasks, after the launch authorization check: the poem fetch, then
    // the update checker's automatic checks.
    void start();
    // While held, an offered version waits: first-launch dialogs come one at a time, and the
    // authorization goes first. Releasing shows what was offered meanwhile.
    void holdUpdateOffer(bool hold);

    Core::UpdateChecker& updateChecker() const { return *m_updateChecker; }
    Core::RuleEditorCoordinator& ruleEditor() const { return *m_ruleEditor; }
    Core::AccountSession& accountSession() const { return *m_accountSession; }
    Core::ToolbarPoem& poem() const { return *m_poem; }
    RulesPage* rulesPage() const { return m_rulesPage; }
    RuleWorkshopPage* workshopPage() const { return m_workshopPage; }
    // The sheets while they are shown.
    AppUpdateSheet* updateSheet() const;
    LoginSheet* loginSheet() const;

private:
    void showEditorPanel();
    void showUpdateSheet();
    void showLoginSheet(bool showing);

    MainWindow& m_window;
    Core::UpdateChecker* m_updateChecker;
    Core::RuleEditorCoordinator* m_ruleEditor;
    Core::AccountSession* m_accountSession;
    Core::ToolbarPoem* m_poem;
    RulesPage* m_rulesPage = nullptr;
    RuleWorkshopPage* m_workshopPage = nullptr;
    QPointer<AppUpdateSheet> m_updateSheet;
    QPointer<LoginSheet> m_loginSheet;
    bool m_updateOfferHeld = false;
};

} // namespace Sweepora::Ui
