#include "ui/window/OnlineFeatures.h"

#include "core/sections/SectionTable.h"
#include "core/services/AccountSession.h"
#include "core/services/RuleEditorCoordinator.h"
#include "core/services/RuleEditorViewModel.h"
#include "core/services/ToolbarPoem.h"
#include "core/services/UpdateChecker.h"
#include "ui/pages/about/AppUpdateSheet.h"
#include "ui/pages/account/LoginSheet.h"
#include "ui/pages/rules/RuleEditorPanel.h"
#include "ui/pages/rules/RulesPage.h"
#include "ui/pages/workshop/RuleWorkshopPage.h"
#include "ui/window/MainWindow.h"
#include "ui/window/Sidebar.h"

#include <QDesktopServices>
#include <QMessageBox>

namespace Sweepora::Ui {

OnlineFeatures::OnlineFeatures(MainWindow& window, QObject* parent)
    : QObject(parent), m_window(window), m_updateChecker(new Core::UpdateChecker(this)),
      m_ruleEditor(new Core::RuleEditorCoordinator(this)), m_accountSession(new Core::AccountSession(this)),
      m_poem(new Core::ToolbarPoem(this))
{
    using Core::RuleEditorCoordinator;

    m_rulesPage = new RulesPage;
    m_rulesPage->setRefreshID(m_ruleEditor->rulesVersion());
    connect(m_rulesPage, &RulesPage::editRequested, m_ruleEditor, &RuleEditorCoordinator::edit);
    connect(m_rulesPage, &RulesPage::addRequested, m_ruleEditor, &RuleEditorCoordinator::add);
    connect(m_ruleEditor, &RuleEditorCoordinator::rulesVersionChanged, m_rulesPage, &RulesPage::setRefreshID);

    m_workshopPage = new RuleWorkshopPage;
    m_workshopPage->setRefreshID(m_ruleEditor->workshopVersion());
    connect(m_workshopPage, &RuleWorkshopPage::openRequested, m_ruleEditor, &RuleEditorCoordinator::open);
    connect(m_workshopPage, &RuleWorkshopPage::uploadRequested, m_ruleEditor, &RuleEditorCoordinator::startUpload);
    connect(m_ruleEditor, &RuleEditorCoordinator::workshopVersionChanged, m_workshopPage,
            &RuleWorkshopPage::setRefreshID);
    connect(m_ruleEditor, &RuleEditorCoordinator::editorChanged, this, &OnlineFeatures::showEditorPanel);
    connect(m_ruleEditor, &RuleEditorCoordinator::uploadFinished, this, [this](const QString& verdict) {
        auto* box = new QMessageBox(QMessageBox::Information, Core::sectionId(Core::SectionKey::ruleWorkshop), verdict,
                                    QMessageBox::Ok, &m_window);
        box->setObjectName(QStringLiteral("uploadVerdict"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
    // The panel belongs to the rule pages: it does not follow the user to other sections.
    connect(&m_window, &MainWindow::selectedSectionChanged, this, [this](const QString& section) {
        if (section != Core::sectionId(Core::SectionKey::ruleManagement) &&
            section != Core::sectionId(Core::SectionKey::ruleWorkshop))
            m_ruleEditor->close();
    });

    connect(m_poem, &Core::ToolbarPoem::textChanged, &m_window, &MainWindow::setPoemText);

    connect(m_updateChecker, &Core::UpdateChecker::availableVersionChanged, this, &OnlineFeatures::showUpdateSheet);
    connect(m_updateChecker, &Core::UpdateChecker::openURLRequested, this,
            [](const QUrl& url) { QDesktopServices::openUrl(url); });

    // The account item is shown so that sign-in can be reached at all.
    Sidebar* sidebar = m_window.sidebar();
    sidebar->setShowsAccountItem(true);
    sidebar->setUserID(m_accountSession->effectiveUserID());
    connect(m_accountSession, &Core::AccountSession::accountChanged, sidebar,
            [this, sidebar] { sidebar->setUserID(m_accountSession->effectiveUserID()); });
    connect(sidebar, &Sidebar::userTapped, m_accountSession, &Core::AccountSession::userTapped);
    connect(sidebar, &Sidebar::logoutRequested, m_accountSession, &Core::AccountSession::logout);
    connect(m_accountSession, &Core::AccountSession::showingLoginChanged, this, &OnlineFeatures::showLoginSheet);
}

OnlineFeatures::~OnlineFeatures() = default;

AppUpdateSheet* OnlineFeatures::updateSheet() const
{
    return m_updateSheet;
}

LoginSheet* OnlineFeatures::loginSheet() const
{
    return m_loginSheet;
}

void OnlineFeatures::start()
{
    m_poem->fetch();
    m_updateChecker->startAutomaticChecks();
}

void OnlineFeatures::showEditorPanel()
{
    // Every opening gets a fresh panel: no JSON, no parse, the window's rule as it was given.
    Core::RuleEditorViewModel* editor = m_ruleEditor->createEditor(nullptr);
    m_window.setEditorPanel(editor != nullptr ? new RuleEditorPanel(editor) : nullptr);
}

void OnlineFeatures::holdUpdateOffer(bool hold)
{
    m_updateOfferHeld = hold;
    if (!hold)
        showUpdateSheet();
}

void OnlineFeatures::showUpdateSheet()
{
    if (m_updateOfferHeld)
        return;
    const std::optional<Core::AppVersionInfo>& version = m_updateChecker->availableVersion();
    if (m_updateSheet && version && m_updateSheet->version() == *version)
        return;
    if (m_updateSheet) {
        m_updateSheet->finish();
        m_updateSheet->deleteLater();
        m_updateSheet = nullptr;
    }
    if (!version)
        return;
    auto* sheet = new AppUpdateSheet(*version, &m_window);
    connect(sheet, &AppUpdateSheet::updateRequested, m_updateChecker, &Core::UpdateChecker::update);
    connect(sheet, &AppUpdateSheet::laterRequested, m_updateChecker, &Core::UpdateChecker::later);
    connect(sheet, &AppUpdateSheet::skipRequested, m_updateChecker, &Core::UpdateChecker::skip);
    m_updateSheet = sheet;
    sheet->open();
}

void OnlineFeatures::showLoginSheet(bool showing)
{
    if (!showing) {
        // Verified: the sheet goes, and its dismissal hands the account over.
        if (m_loginSheet)
            m_loginSheet->accept();
        return;
    }
    if (m_loginSheet)
        return;
    auto* sheet = new LoginSheet(&m_window);
    connect(sheet, &LoginSheet::verified, m_accountSession, &Core::AccountSession::verified);
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        sheet->deleteLater();
        m_loginSheet = nullptr;
        m_accountSession->loginDismissed();
    });
    m_loginSheet = sheet;
    sheet->open();
}

} // namespace Sweepora::Ui
