#pragma once

#include <QWidget>

namespace Sweepora::Ui {

class AboutListRow;
class TrashSummaryView;

// 关于: the application's icon and name, the Trash card, and the support rows (web site,
// feedback mail, installed version, legal notice). The version and the year are read when the
// page is built.
class AboutPage : public QWidget
{
    Q_OBJECT
public:
    explicit AboutPage(QWidget* parent = nullptr);

    TrashSummaryView* trashSummary() const { return m_trash; }
    // The rows in order: web site, feedback, version, legal notice.
    const QList<AboutListRow*>& rows() const { return m_rows; }

private:
    TrashSummaryView* m_trash = nullptr;
    QList<AboutListRow*> m_rows;
};

} // namespace Sweepora::Ui
