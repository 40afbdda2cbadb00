#pragma once

#include <QWidget>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QPushButton;

namespace Sweepora::Ui {

// The line above a ticked list: a tri-state "全选" box with the count (and size) of what is
// ticked, and 重新扫描 for a page whose list came from a scan. The page owns the selection: a
// click on the box only asks it to tick all (or clear all when all are ticked), and the page
// then sets the counts it ended with.
class SelectAllBar : public QWidget
{
    Q_OBJECT
public:
    // `checkboxInset` lines the box up with the rows' own boxes, `trailingInset` the rescan
    // button with the rows' trailing edge.
    SelectAllBar(int checkboxInset, int trailingInset, QWidget* parent);

    // `tickedSize` < 0 when the rows have no size to add up.
    void setSelection(qsizetype ticked, qsizetype total, qint64 tickedSize = -1);
    // With a name filter: the box tells how much of what is shown is ticked, as a click acts
    // on those rows only; the summary still counts everything ticked. After setSelection.
    void setShownSelection(qsizetype shownTicked, qsizetype shown);
    void setRescanVisible(bool visible);
    // Puts `controls` (a filter, a sort menu) between the summary and the rescan button.
    void addControls(QWidget* controls);

    QCheckBox* box() const { return m_box; }
    QLabel* summary() const { return m_summary; }
    QPushButton* rescanButton() const { return m_rescan; }

signals:
    void toggleAllRequested();
    void rescanRequested();

private:
    QCheckBox* m_box = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_rescan = nullptr;
    QHBoxLayout* m_layout = nullptr;
    Qt::CheckState m_state = Qt::Unchecked;
};

} // namespace Sweepora::Ui
