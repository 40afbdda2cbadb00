#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

class QLabel;
class QCheckBox;
class QListView;
class QProgressBar;
class QPushButton;
class QStackedLayout;
class QToolButton;

namespace Sweepora::Core {
class StorageAnalysisModel;
}

namespace Sweepora::Ui {

class BusyIndicator;
class FloatingActionButton;
class ListArrangeControls;
class PlaceholderView;
class SelectAllBar;
class StorageEntryListModel;
class StorageRowDelegate;
class Treemap;

// 存储大小分析: the current folder's children ranked by size, with the share bar behind each
// row, and below them the treemap of the folder's tree. Tapping a folder row or a folder's area
// enters it; the arrow goes back along the path taken; ticked rows go to the Trash with the
// floating button. The page owns its model.
class StorageAnalysisPage : public QWidget
{
    Q_OBJECT
public:
    explicit StorageAnalysisPage(QWidget* parent = nullptr);
    ~StorageAnalysisPage() override;

    Core::StorageAnalysisModel& model() const { return *m_model; }
    QListView* list() const { return m_list; }
    SelectAllBar* selectAllBar() const { return m_selectBar; }
    ListArrangeControls* arrangeControls() const { return m_arrange; }
    QLabel* totalLabel() const { return m_totalLabel; }
    QProgressBar* spaceBar() const { return m_spaceBar; }
    QLabel* spaceLabel() const { return m_spaceLabel; }
    QCheckBox* hiddenSwitch() const { return m_hiddenSwitch; }
    QCheckBox* treemapSwitch() const { return m_treemapSwitch; }
    Treemap* treemap() const { return m_treemap; }
    StorageRowDelegate* rowDelegate() const { return m_delegate; }
    // Asking before folders go, while it is up.
    QMessageBox* confirmation() const { return m_confirmation; }

private:
    void requestDeletion();
    void updateDirectory();
    void updateEntries();
    void updateStatus();
    void updateDeleteButton();
    // The current folder's total and its file system's used and free space.
    void updateTotals();
    void updateTreemap();

    Core::StorageAnalysisModel* m_model = nullptr; // a child of the page
    QToolButton* m_upButton = nullptr;
    QToolButton* m_chooseButton = nullptr;
    QLabel* m_pathLabel = nullptr;
    QLabel* m_statusLabel = nullptr;
    QPushButton* m_refreshButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QLabel* m_totalLabel = nullptr;
    QProgressBar* m_spaceBar = nullptr;
    QLabel* m_spaceLabel = nullptr;
    QCheckBox* m_hiddenSwitch = nullptr;
    QCheckBox* m_treemapSwitch = nullptr;
    Treemap* m_treemap = nullptr;
    BusyIndicator* m_progress = nullptr;
    QStackedLayout* m_body = nullptr;
    QWidget* m_listPane = nullptr;
    SelectAllBar* m_selectBar = nullptr;
    ListArrangeControls* m_arrange = nullptr;
    QListView* m_list = nullptr;
    StorageEntryListModel* m_rows = nullptr;
    StorageRowDelegate* m_delegate = nullptr;
    PlaceholderView* m_placeholder = nullptr;
    FloatingActionButton* m_deleteButton = nullptr;
    QPointer<QMessageBox> m_confirmation;
    BusyIndicator* m_deleteProgress = nullptr;
};

} // namespace Sweepora::Ui
