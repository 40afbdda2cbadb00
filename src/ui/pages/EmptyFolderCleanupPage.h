#pragma once

#include <QWidget>

class QStackedLayout;

namespace Sweepora::Core {
class EmptyFolderCleanupViewModel;
}

namespace Sweepora::Ui {

class FileItemList;
class FloatingActionButton;
class PathItemModel;
class PlaceholderView;

// 空文件夹清理: the empty folders of the last scan, or a placeholder while there are none, and
// the floating button that scans or moves the ticked folders ("删除 {n} 项"); a long press
// ticks all or none. The page observes a model that the window owns.
class EmptyFolderCleanupPage : public QWidget
{
    Q_OBJECT
public:
    explicit EmptyFolderCleanupPage(Core::EmptyFolderCleanupViewModel& model, QWidget* parent = nullptr);

    FileItemList* list() const { return m_list; }
    PlaceholderView* placeholder() const { return m_placeholder; }
    FloatingActionButton* actionButton() const { return m_button; }

private:
    void refresh();
    void buttonTapped();
    void buttonLongPressed();
    bool hasCleanableList() const;

    Core::EmptyFolderCleanupViewModel& m_model;
    QStackedLayout* m_stack = nullptr;
    PathItemModel* m_rows = nullptr;
    FileItemList* m_list = nullptr;
    PlaceholderView* m_placeholder = nullptr;
    FloatingActionButton* m_button = nullptr;
};

} // namespace Sweepora::Ui
