#pragma once

#include "core/apps/ApplicationUninstallEngine.h"

#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QStandardItemModel;
class QVBoxLayout;

class QStackedWidget;

namespace Sweepora::Core {
class ApplicationUninstallModel;
class LeftoverViewModel;
} // namespace Sweepora::Core

namespace Sweepora::Ui {

class FileItemList;

// The 卸载应用 page: the installed applications with their total size, a side panel with the
// application and its related items, and the uninstall behind a confirmation that says what
// happens to each part. On Linux a second list, 残留文件, holds the data of applications that
// are gone. Owns its models.
class ApplicationUninstallPage : public QWidget
{
    Q_OBJECT
public:
    explicit ApplicationUninstallPage(QWidget* parent = nullptr);
    ~ApplicationUninstallPage() override;

    Core::ApplicationUninstallModel& model() const { return *m_model; }
    Core::LeftoverViewModel& leftovers() const { return *m_leftovers; }

    // The side panel for the application at `path` (none: closed).
    void showDetail(const QString& path);
    const std::optional<Core::UninstallApplication>& detail() const { return m_detail; }
    // Asks for confirmation to uninstall the application shown in the side panel.
    void requestUninstall();

    QLabel* messageLabel() const { return m_message; }
    QPushButton* rescanButton() const { return m_rescan; }
    QProgressBar* busyBar() const { return m_busy; }
    QWidget* sidePanel() const { return m_panel; }
    QPushButton* uninstallButton() const { return m_uninstall; }
    FileItemList* detailList() const { return m_detailList; }
    // The open dialogs (none when not shown). They do not block: answer them with their buttons.
    QMessageBox* confirmation() const { return m_confirmation; }
    QMessageBox* manualRemovalAlert() const { return m_alert; }
    int rowCount() const;
    // The note under the side panel's title: what happens to the application itself.
    QLabel* removalNote() const { return m_panelNote; }
    // The 残留文件 list and its controls (the switch is hidden where there is no such list).
    QPushButton* leftoversSwitch() const { return m_leftoversSwitch; }
    void showLeftovers(bool show);
    FileItemList* leftoverList() const { return m_leftoverList; }
    QPushButton* leftoverCleanButton() const { return m_leftoverClean; }
    QLabel* leftoverMessage() const { return m_leftoverMessage; }

    // What "在访达中显示" does (by default revealInFileManager).
    void setRevealHandler(std::function<void(const QString&)> handler) { m_reveal = std::move(handler); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuildRows();
    void fillPanel();
    void showManualRemovalAlert();
    QWidget* buildLeftovers();
    void rebuildLeftovers();

    std::unique_ptr<Core::ApplicationUninstallModel> m_model;
    std::unique_ptr<Core::LeftoverViewModel> m_leftovers;
    std::optional<Core::UninstallApplication> m_detail;
    std::optional<Core::UninstallApplication> m_pending;
    std::function<void(const QString&)> m_reveal;

    QLabel* m_message = nullptr;
    QPushButton* m_rescan = nullptr;
    QProgressBar* m_busy = nullptr;
    QScrollArea* m_scroll = nullptr;
    QVBoxLayout* m_rowLayout = nullptr;
    QList<QWidget*> m_rows;
    QWidget* m_panel = nullptr;
    QLabel* m_panelTitle = nullptr;
    QLabel* m_panelNote = nullptr;
    QStackedWidget* m_stack = nullptr;
    QPushButton* m_appsSwitch = nullptr;
    QPushButton* m_leftoversSwitch = nullptr;
    FileItemList* m_leftoverList = nullptr;
    QStandardItemModel* m_leftoverModel = nullptr;
    QPushButton* m_leftoverClean = nullptr;
    QPushButton* m_leftoverSelectAll = nullptr;
    QLabel* m_leftoverMessage = nullptr;
    FileItemList* m_detailList = nullptr;
    QStandardItemModel* m_detailModel = nullptr;
    QPushButton* m_uninstall = nullptr;
    QMessageBox* m_confirmation = nullptr;
    QMessageBox* m_alert = nullptr;
};

} // namespace Sweepora::Ui
