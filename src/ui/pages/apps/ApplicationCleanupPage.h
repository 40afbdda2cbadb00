#pragma once

#include "core/apps/ApplicationCacheEngine.h"
#include "core/rules/CleanupResult.h"

#include <QWidget>

class QProgressBar;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;

namespace Sweepora::Core {
class ApplicationCleanupViewModel;
}

namespace Sweepora::Ui {

class CleanupRow;
class FloatingActionButton;
class PlaceholderView;
class ScanFilePanel;
class SelectAllBar;

// The 应用清理 page: one card per application with cache files, the files of one application in
// a side panel, and the floating button that scans, cleans, and (held) ticks or clears all.
class ApplicationCleanupPage : public QWidget
{
    Q_OBJECT
public:
    explicit ApplicationCleanupPage(Core::ApplicationCleanupViewModel& model, QWidget* parent = nullptr);

    FloatingActionButton* actionButton() const { return m_button; }
    QProgressBar* progressBar() const { return m_progress; }
    PlaceholderView* placeholder() const { return m_placeholder; }
    ScanFilePanel* filePanel() const { return m_panel; }
    QList<CleanupRow*> rows() const { return m_rows; }
    SelectAllBar* selectAllBar() const { return m_selectBar; }

    // Shows the files of the result with this id in the side panel.
    void inspect(const QString& resultID);

    // A result as the shared row and panel show it.
    static Core::CleanupResult rowResult(const Core::ApplicationCleanupResult& result);

private:
    void rebuildRows();
    void updateState();
    void onTap();
    void onLongPress();

    Core::ApplicationCleanupViewModel& m_model;
    QPushButton* m_cancel = nullptr;
    QProgressBar* m_progress = nullptr;
    QStackedWidget* m_stack = nullptr;
    PlaceholderView* m_placeholder = nullptr;
    QWidget* m_listPane = nullptr;
    SelectAllBar* m_selectBar = nullptr;
    QScrollArea* m_scroll = nullptr;
    QVBoxLayout* m_rowLayout = nullptr;
    QList<CleanupRow*> m_rows;
    ScanFilePanel* m_panel = nullptr;
    QString m_detailID;
    FloatingActionButton* m_button = nullptr;
};

} // namespace Sweepora::Ui
