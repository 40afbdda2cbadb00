#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

class QLabel;
class QListView;
class QPushButton;
class QStackedLayout;
class QToolButton;

namespace Sweepora::Core {
class StorageAnalysisModel;
}

namespace Sweepora::Ui {

class BusyIndicator;
class FloatingActionButton;
class PlaceholderView;
class StorageEntryListModel;
class StorageRowDelegate;

// 存储大小分析: the current folder's children ranked by size, with the share bar behind each
// row. Tapping a folder row enters it; the arrow goes back along the path taken; ticked rows go
// to the Trash with the floating button. The page owns its model.
class StorageAnalysisPage : public QWidget
{
    Q_OBJECT
public:
    explicit StorageAnalysisPage(QWidget* parent = nullptr);
    ~StorageAnalysisPage() override;

    Core::StorageAnalysisModel& model() const { return *m_model; }
    QListView* list() const { return m_list; }
    StorageRowDelegate* rowDelegate() const { return m_delegate; }
    // Asking before folders go, while it is up.
    QMessageBox* confirmation() const { return m_confirmation; }

private:
    void requestDeletion();
    void updateDirectory();
    void updateEntries();
    void updateStatus();
    void updateDeleteButton();

    Core::StorageAnalysisModel* m_model = nullptr; // a child of the page
    QToolButton* m_upButton = nullptr;
    QToolButton* m_chooseButton = nullptr;
    QLabel* m_pathLabel = nullptr;
    QLabel* m_statusLabel = nullptr;
    QPushButton* m_refreshButton = nullptr;
    BusyIndicator* m_progress = nullptr;
    QStackedLayout* m_body = nullptr;
    QListView* m_list = nullptr;
    StorageEntryListModel* m_rows = nullptr;
    StorageRowDelegate* m_delegate = nullptr;
    PlaceholderView* m_placeholder = nullptr;
    FloatingActionButton* m_deleteButton = nullptr;
    QPointer<QMessageBox> m_confirmation;
    BusyIndicator* m_deleteProgress = nullptr;
};

} // namespace Sweepora::Ui
