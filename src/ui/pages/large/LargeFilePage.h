#pragma once

#include <QWidget>

class QLabel;
class QSlider;
class QStackedLayout;
class QFrame;

namespace Sweepora::Core {
class LargeFileViewModel;
}

namespace Sweepora::Ui {

class FileItemList;
class FloatingActionButton;
class ListArrangeControls;
class PlaceholderView;
class PathItemModel;
class SelectAllBar;

// 大文件清理: the files of at least the chosen size, largest first (or as sorted and filtered
// above the list), with a tick each and the 全选 line above them. The action area floats at the bottom: the size card
// with its slider, always at hand, and the action button (scan, or move the ticked files to the Trash; a long press
// ticks or clears all). The page owns its view model.
class LargeFilePage : public QWidget
{
    Q_OBJECT
public:
    explicit LargeFilePage(QWidget* parent = nullptr);
    ~LargeFilePage() override;

    Core::LargeFileViewModel& model() const { return *m_model; }
    double minimumSizeGB() const { return m_minimumSizeGB; }

    PlaceholderView* placeholder() const { return m_placeholder; }
    FileItemList* list() const { return m_list; }
    PathItemModel* rows() const { return m_rows; }
    SelectAllBar* selectAllBar() const { return m_selectBar; }
    ListArrangeControls* arrangeControls() const { return m_arrange; }
    FloatingActionButton* actionButton() const { return m_button; }
    QFrame* sizeCard() const { return m_card; }
    QSlider* slider() const { return m_slider; }
    QLabel* sizeLabel() const { return m_sizeLabel; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void refreshRows();
    void placeCard();
    void onTap();
    void onLongPress();

    Core::LargeFileViewModel* m_model = nullptr; // a child of the page
    double m_minimumSizeGB = 1.0;

    QStackedLayout* m_stack = nullptr;
    PlaceholderView* m_placeholder = nullptr;
    QWidget* m_listArea = nullptr;
    FileItemList* m_list = nullptr;
    PathItemModel* m_rows = nullptr;
    SelectAllBar* m_selectBar = nullptr;
    ListArrangeControls* m_arrange = nullptr;
    FloatingActionButton* m_button = nullptr;
    QFrame* m_card = nullptr;
    QLabel* m_sizeLabel = nullptr;
    QSlider* m_slider = nullptr;
};

} // namespace Sweepora::Ui
