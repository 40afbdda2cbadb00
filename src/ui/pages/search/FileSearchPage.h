#pragma once

#include "ui/components/PathListPage.h"

namespace Sweepora::Core {
class FileSearchViewModel;
}

namespace Sweepora::Ui {

class ListArrangeControls;

// 文件搜索: the hits of the last search from the title bar, largest first (or as sorted and
// filtered above the list), or a placeholder while there are none. Searches start only from the title bar; the floating
// button, shown only over a list of hits, moves the ticked files ("删除 " and their size), and a long press ticks all
// or none. The page observes a model that the window owns.
class FileSearchPage : public PathListPage
{
    Q_OBJECT
public:
    explicit FileSearchPage(Core::FileSearchViewModel& model, QWidget* parent = nullptr);

    ListArrangeControls* arrangeControls() const { return m_arrange; }

private:
    void refreshRows();
    // The ticks alone changed: the rows shown keep their places.
    void refreshChecks();
    void refresh();
    bool hasCleanableList() const;

    Core::FileSearchViewModel& m_model;
    ListArrangeControls* m_arrange = nullptr;
    // What refreshRows() last showed (indexes into the results, in order): the 全选 box
    // follows the rows on screen.
    QList<qsizetype> m_shown;
    qsizetype m_shownTicked = 0;
};

} // namespace Sweepora::Ui
