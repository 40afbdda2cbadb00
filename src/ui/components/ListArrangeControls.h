#pragma once

#include "core/util/ListArrangement.h"

#include <QWidget>

class QComboBox;
class QLineEdit;

namespace Sweepora::Ui {

// The name filter ("筛选名称") and the sort menu above a long list. They only ask: the page hands
// the choices to its view model, which orders and filters the rows, and shows here what the
// model holds (a model may clear its filter by itself).
class ListArrangeControls : public QWidget
{
    Q_OBJECT
public:
    // `byDate`: the rows carry a date, so the menu offers it.
    ListArrangeControls(bool byDate, QWidget* parent);

    void reflect(const Core::ListArrangement& arrangement);

    QLineEdit* filterField() const { return m_filter; }
    QComboBox* sortMenu() const { return m_sort; }

signals:
    void sortKeyChosen(Core::ListSortKey key);
    void nameFilterEdited(const QString& text);

private:
    QLineEdit* m_filter = nullptr;
    QComboBox* m_sort = nullptr;
};

} // namespace Sweepora::Ui
