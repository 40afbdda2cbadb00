#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QStackedLayout;
class QTreeView;
class QTreeWidget;

namespace Sweepora::Core {
class CleanupHistoryViewModel;
}

namespace Sweepora::Ui {

class HistoryBatchModel;
class PlaceholderView;

// 清理记录: every clean newest first, the items of the chosen one below, and 恢复 for the whole
// batch or its ticked items. The page owns its model and loads the journal each time it is shown.
class CleanupHistoryPage : public QWidget
{
    Q_OBJECT
public:
    explicit CleanupHistoryPage(QWidget* parent = nullptr);
    ~CleanupHistoryPage() override;

    Core::CleanupHistoryViewModel& model() const { return *m_model; }
    // One row per batch (time, section, items, size, still in the Trash); the batch id in Qt::UserRole.
    QTreeView* batchList() const { return m_batches; }
    QTreeWidget* entryList() const { return m_entries; }
    QPushButton* restoreButton() const { return m_restore; }
    QLabel* messageLabel() const { return m_message; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuildBatches();
    void rebuildEntries();
    void updateControls();

    Core::CleanupHistoryViewModel* m_model = nullptr; // a child of the page
    QStackedLayout* m_stack = nullptr;
    PlaceholderView* m_placeholder = nullptr;
    QWidget* m_content = nullptr;
    QTreeView* m_batches = nullptr;
    HistoryBatchModel* m_batchRows = nullptr;
    QTreeWidget* m_entries = nullptr;
    QPushButton* m_restore = nullptr;
    QLabel* m_message = nullptr;
    bool m_rebuilding = false;
};

} // namespace Sweepora::Ui
