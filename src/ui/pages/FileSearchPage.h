#pragma once

#include <QWidget>

class QStackedLayout;

namespace Sweepora::Core {
class FileSearchViewModel;
}

namespace Sweepora::Ui {

class FileItemList;
class FloatingActionButton;
class PathItemModel;
class PlaceholderView;

// 文件搜索: the hits of the last search from the title bar, largest first, or a placeholder
// while there are none. Searches start only from the title bar; the floating button, shown
// only over a list of hits, moves the ticked files ("删除 " and their size), and a long press
// ticks all or none. The page observes a model that the window owns.
class FileSearchPage : public QWidget
{
    Q_OBJECT
public:
    explicit FileSearchPage(Core::FileSearchViewModel& model, QWidget* parent = nullptr);

    FileItemList* list() const { return m_list; }
    PlaceholderView* placeholder() const { return m_placeholder; }
    FloatingActionButton* actionButton() const { return m_button; }

private:
    void refresh();
    bool hasCleanableList() const;

    Core::FileSearchViewModel& m_model;
    QStackedLayout* m_stack = nullptr;
    PathItemModel* m_rows = nullptr;
    FileItemList* m_list = nullptr;
    PlaceholderView* m_placeholder = nullptr;
    FloatingActionButton* m_button = nullptr;
};

} // namespace Sweepora::Ui
