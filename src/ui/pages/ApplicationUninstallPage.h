#pragma once

#include "apps/ApplicationUninstallEngine.h"

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

namespace Sweepora::Core {
class ApplicationUninstallModel;
}

namespace Sweepora::Ui {

class FileItemList;

// The 卸载应用 page: the installed applications with their total size, a side panel with the
// bundle and its related items, and the uninstall behind a confirmation. Owns its model.
class ApplicationUninstallPage : public QWidget
{
    Q_OBJECT
public:
    explicit ApplicationUninstallPage(QWidget* parent = nullptr);
    ~ApplicationUninstallPage() override;

    Core::ApplicationUninstallModel& model() const { return *m_model; }

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

    // What "在访达中显示" does (by default revealInFileManager).
    void setRevealHandler(std::function<void(const QString&)> handler) { m_reveal = std::move(handler); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuildRows();
    void fillPanel();
    void showManualRemovalAlert();

    std::unique_ptr<Core::ApplicationUninstallModel> m_model;
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
    FileItemList* m_detailList = nullptr;
    QStandardItemModel* m_detailModel = nullptr;
    QPushButton* m_uninstall = nullptr;
    QMessageBox* m_confirmation = nullptr;
    QMessageBox* m_alert = nullptr;
};

} // namespace Sweepora::Ui
