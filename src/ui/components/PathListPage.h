#pragma once

#include "ui/components/PathItemModel.h"

#include <QWidget>

class QStackedLayout;

namespace Sweepora::Ui {

class FileItemList;
class FloatingActionButton;
class PlaceholderView;
class SelectAllBar;

// The frame of a page that lists paths: the rows with their checkboxes under the 全选 line, a
// placeholder in their place while there are none, and a floating action button over both. The page wires the list's
// ticks and the button to its model and fills the rows on every change.
class PathListPage : public QWidget
{
    Q_OBJECT
public:
    FileItemList* list() const { return m_list; }
    PlaceholderView* placeholder() const { return m_placeholder; }
    FloatingActionButton* actionButton() const { return m_button; }
    SelectAllBar* selectAllBar() const { return m_selectBar; }

protected:
    // `rowSymbol` stands for a row whose item has no icon of its own.
    PathListPage(const QString& rowSymbol, QWidget* parent);

    // Shows `rows`, or the placeholder when there are none and not `keepList` (a name filter
    // that hides every row leaves the list and its filter on screen).
    void showRows(QList<PathItemModel::Row> rows, bool keepList = false);
    // Changes only the ticks of the rows shown, one per row in order.
    void showChecks(const QList<bool>& checks);

private:
    QStackedLayout* m_stack = nullptr;
    PathItemModel* m_rows = nullptr;
    QWidget* m_listArea = nullptr;
    FileItemList* m_list = nullptr;
    SelectAllBar* m_selectBar = nullptr;
    PlaceholderView* m_placeholder = nullptr;
    FloatingActionButton* m_button = nullptr;
};

} // namespace Sweepora::Ui
