#pragma once

#include <QWidget>

class QStackedLayout;

namespace Sweepora::Core {
class MiscFileCleanupViewModel;
}

namespace Sweepora::Ui {

class FileItemList;
class FloatingActionButton;
class ListArrangeControls;
class PlaceholderView;
class PathItemModel;
class SelectAllBar;

// The page of 闲杂文件, 压缩包清理 or 安装包清理: the files the category's model found, each with
// its creation date and age, under the 全选 line, and the action button (scan, or move the ticked files to the
// Trash; a long press ticks or clears all). The window owns the model, which outlives the page.
class MiscFileCleanupPage : public QWidget
{
    Q_OBJECT
public:
    explicit MiscFileCleanupPage(Core::MiscFileCleanupViewModel& model, QWidget* parent = nullptr);

    Core::MiscFileCleanupViewModel& model() const { return m_model; }
    PlaceholderView* placeholder() const { return m_placeholder; }
    FileItemList* list() const { return m_list; }
    PathItemModel* rows() const { return m_rows; }
    SelectAllBar* selectAllBar() const { return m_selectBar; }
    ListArrangeControls* arrangeControls() const { return m_arrange; }
    FloatingActionButton* actionButton() const { return m_button; }

private:
    void refresh();
    void refreshRows();
    void onTap();
    void onLongPress();

    Core::MiscFileCleanupViewModel& m_model;
    QStackedLayout* m_stack = nullptr;
    PlaceholderView* m_placeholder = nullptr;
    QWidget* m_listArea = nullptr;
    FileItemList* m_list = nullptr;
    PathItemModel* m_rows = nullptr;
    SelectAllBar* m_selectBar = nullptr;
    ListArrangeControls* m_arrange = nullptr;
    FloatingActionButton* m_button = nullptr;
};

} // namespace Sweepora::Ui
