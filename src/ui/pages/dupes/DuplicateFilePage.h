#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedLayout;
class QTreeWidget;
class QTreeWidgetItem;

namespace Sweepora::Core {
class DuplicateFileViewModel;
}

namespace Sweepora::Ui {

class FloatingActionButton;
class PlaceholderView;

// 重复文件: groups of files with equal contents, most space wasted first, each expanding to its
// copies (folder, modification time) with a tick each; the kept copy is marked and cannot be
// ticked. A bar above chooses the folder, the minimum size, the kind shown and the reference
// folders; while scanning, a card shows files and bytes hashed of the total with 取消. The
// floating button scans, or moves the ticked copies to the Trash (held: tick or clear all).
// A copy's context menu keeps it or reveals it in the file manager. The page owns its view model.
class DuplicateFilePage : public QWidget
{
    Q_OBJECT
public:
    explicit DuplicateFilePage(QWidget* parent = nullptr);
    ~DuplicateFilePage() override;

    Core::DuplicateFileViewModel& model() const { return *m_model; }
    PlaceholderView* placeholder() const { return m_placeholder; }
    QTreeWidget* tree() const { return m_tree; }
    FloatingActionButton* actionButton() const { return m_button; }
    QComboBox* kindFilter() const { return m_kind; }
    QComboBox* minimumSize() const { return m_minimum; }
    QPushButton* folderButton() const { return m_folder; }
    QPushButton* referenceButton() const { return m_reference; }
    QLabel* referenceLabel() const { return m_referenceLabel; }
    QLabel* progressLabel() const { return m_progressText; }
    QProgressBar* progressBar() const { return m_progressBar; }
    QPushButton* cancelButton() const { return m_cancel; }

    // The text of the progress card: "已校验 12 / 40 个文件，1.2 GB / 3 GB".
    static QString progressText(qint64 filesDone, qint64 filesTotal, qint64 bytesDone, qint64 bytesTotal);

private:
    void refresh();
    void refreshTree();
    void refreshProgress();
    void refreshSettings();
    void showMenu(const QPoint& pos);
    void onTap();

    Core::DuplicateFileViewModel* m_model = nullptr; // a child of the page
    bool m_filling = false;

    QStackedLayout* m_stack = nullptr;
    PlaceholderView* m_placeholder = nullptr;
    QWidget* m_listArea = nullptr;
    QTreeWidget* m_tree = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_minimum = nullptr;
    QPushButton* m_folder = nullptr;
    QPushButton* m_reference = nullptr;
    QLabel* m_referenceLabel = nullptr;
    QWidget* m_progressRow = nullptr;
    QWidget* m_progressCard = nullptr;
    QLabel* m_progressText = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QPushButton* m_cancel = nullptr;
    FloatingActionButton* m_button = nullptr;
};

} // namespace Sweepora::Ui
