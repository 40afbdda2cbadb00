#include "ui/window/ContentView.h"

#include "core/access/AccessManager.h"
#include "core/apps/ApplicationCleanupViewModel.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/rules/CleanupViewModel.h"
#include "core/scanners/EmptyFolderCleanupViewModel.h"
#include "core/scanners/FileSearchViewModel.h"
#include "core/scanners/MiscFileCleanupViewModel.h"
#include "core/sections/SectionTable.h"
#include "ui/pages/about/AboutPage.h"
#include "ui/pages/apps/ApplicationCleanupPage.h"
#include "ui/pages/apps/ApplicationUninstallPage.h"
#include "ui/pages/dupes/DuplicateFilePage.h"
#include "ui/pages/empty/EmptyFolderCleanupPage.h"
#include "ui/pages/large/LargeFilePage.h"
#include "ui/pages/misc/MiscFileCleanupPage.h"
#include "ui/pages/quick/QuickCleanupPage.h"
#include "ui/pages/rules/RulesPage.h"
#include "ui/pages/rules/TaskCleanPage.h"
#include "ui/pages/search/FileSearchPage.h"
#include "ui/pages/storage/StorageAnalysisPage.h"
#include "ui/pages/trash/CleanupHistoryPage.h"
#include "ui/pages/workshop/RuleWorkshopPage.h"
#include "ui/window/MainWindow.h"
#include "ui/window/OnlineFeatures.h"

#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace Sweepora::Ui {
namespace {
constexpr int kPromptMessageWidth = 320;
} // namespace

ContentView::ContentView(QObject* parent) : ContentView(Setup{}, parent)
{}

ContentView::ContentView(Setup setup, QObject* parent)
    : QObject(parent), m_window(std::make_unique<MainWindow>()),
      m_taskCleanModel(setup.ruleStore ? new Core::CleanupViewModel(std::move(*setup.ruleStore), this)
                                       : new Core::CleanupViewModel(this)),
      m_applicationCleanupModel(new Core::ApplicationCleanupViewModel(this)),
      m_emptyFolderCleanupModel(new Core::EmptyFolderCleanupViewModel(this)),
      m_fileSearchModel(new Core::FileSearchViewModel(this)),
      m_miscFileModel(new Core::MiscFileCleanupViewModel(Core::MiscFileCategory::miscellaneous, this)),
      m_archiveModel(new Core::MiscFileCleanupViewModel(Core::MiscFileCategory::archives, this)),
      m_installerModel(new Core::MiscFileCleanupViewModel(Core::MiscFileCategory::installers, this))
{
    // Installed applications may be read wherever they are, as the sandbox allows.
    Core::Sandbox::setReadOnlyRoots(Core::PlatformLayout::current().cacheApplicationRoots());
    buildPages();
    m_window->installEventFilter(this);
}

ContentView::~ContentView()
{
    // The window goes before this object's QObject part: no event of its teardown may reach
    // the filter of an object already half gone.
    m_window->removeEventFilter(this);
}

void ContentView::buildPages()
{
    // The rules page, the workshop, the editor panel, the sheets and the poem.
    m_online = new OnlineFeatures(*m_window, this);
    for (const Core::Section& s : Core::sections())
        if (QWidget* page = createPage(s.key))
            m_window->setPage(s.id, page);
    connect(m_window.get(), &MainWindow::fileSearchSubmitted, m_fileSearchModel, &Core::FileSearchViewModel::search);
}

QWidget* ContentView::createPage(Core::SectionKey key)
{
    using K = Core::SectionKey;
    switch (key) {
    case K::quickCleanup:
        // It summarises the six scanners that the window keeps, and each card opens its
        // scanner's own section.
        return new QuickCleanupPage(
            {m_taskCleanModel, m_applicationCleanupModel, m_miscFileModel, m_archiveModel, m_installerModel,
             m_emptyFolderCleanupModel},
            [window = m_window.get()](const QString& section) { window->setSelectedSection(section); });
    case K::ruleCleanup:
        return new TaskCleanPage(*m_taskCleanModel);
    case K::applicationCleanup:
        return new ApplicationCleanupPage(*m_applicationCleanupModel);
    case K::miscFiles:
        return new MiscFileCleanupPage(*m_miscFileModel);
    case K::archives:
        return new MiscFileCleanupPage(*m_archiveModel);
    case K::installers:
        return new MiscFileCleanupPage(*m_installerModel);
    case K::emptyFolders:
        return new EmptyFolderCleanupPage(*m_emptyFolderCleanupModel);
    case K::fileSearch:
        return new FileSearchPage(*m_fileSearchModel);
    // These pages own their models.
    case K::largeFiles:
        return new LargeFilePage;
    case K::duplicateFiles:
        return new DuplicateFilePage;
    case K::applicationUninstall:
        return new ApplicationUninstallPage;
    case K::storageAnalysis:
        return new StorageAnalysisPage;
    case K::cleanupHistory:
        return new CleanupHistoryPage;
    case K::about:
        return new AboutPage;
    // Wired to the rule editor by the online side.
    case K::ruleManagement:
        return m_online->rulesPage();
    case K::ruleWorkshop:
        return m_online->workshopPage();
    case K::leftovers: // cleaned from the uninstaller's sheet
        return nullptr;
    }
    return nullptr;
}

void ContentView::startOnlineTasks()
{
    m_online->start();
}

bool ContentView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.get() && event->type() == QEvent::Show && !m_hasCheckedAuthorization)
        startUp();
    return QObject::eventFilter(watched, event);
}

void ContentView::startUp()
{
    checkAuthorizationAtLaunch();
    // Then the toolbar poem and the update checker's automatic checks, on the GUI thread.
    startOnlineTasks();
}

void ContentView::checkAuthorizationAtLaunch()
{
    if (m_hasCheckedAuthorization)
        return;
    m_hasCheckedAuthorization = true;
    const Core::LaunchReport report = Core::AccessManager::launchCheck();
    if (!report.valid) {
        m_online->holdUpdateOffer(true);
        // Opened once the window's own show has finished, so the alert sits over a shown window.
        QMetaObject::invokeMethod(this, &ContentView::showAuthorizationPrompt, Qt::QueuedConnection);
    }
}

void ContentView::showAuthorizationPrompt()
{
    auto* box = new QMessageBox(m_window.get());
    box->setObjectName(kAuthorizationPromptName);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Information);
    box->setWindowTitle(QStringLiteral("需要授权个人文件夹"));
    box->setText(QStringLiteral("需要授权个人文件夹"));
    box->setInformativeText(QStringLiteral(
        "Sweepora需要访问个人用户文件夹，才能扫描和清理应用缓存。若选择稍后，可重启 App 再次进行授权。"));
    // Title in bold over the message, wide enough that the message keeps to a few lines.
    if (auto* title = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
    }
    if (auto* message = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        message->setMinimumWidth(kPromptMessageWidth);
    QPushButton* authorize = box->addButton(QStringLiteral("去授权"), QMessageBox::AcceptRole);
    authorize->setObjectName(QStringLiteral("authorizeButton"));
    QPushButton* later = box->addButton(QStringLiteral("稍后"), QMessageBox::RejectRole);
    later->setObjectName(QStringLiteral("laterButton"));
    box->setDefaultButton(authorize);
    box->setEscapeButton(later);
    // The picker opens once the alert has closed, not over it. "稍后" does nothing: every
    // scanner asks for the grant again when it starts.
    // The update offer waits for the alert, and for the picker the alert opens.
    connect(box, &QMessageBox::finished, this, [this, box, authorize] {
        if (box->clickedButton() != authorize) {
            m_online->holdUpdateOffer(false);
            return;
        }
        Core::AccessManager::requestHomeAuthorization([online = QPointer<OnlineFeatures>(m_online)](bool) {
            if (online)
                online->holdUpdateOffer(false);
        });
    });
    m_authorizationPrompt = box;
    box->open();
}

} // namespace Sweepora::Ui
