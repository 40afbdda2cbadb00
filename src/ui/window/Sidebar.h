#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class QToolButton;

namespace Sweepora::Ui {

// The list of sections beside the page: one row per section (symbol and title), dividers
// after rows 8, 10 and 12, and, when shown, the account item at the bottom.
class Sidebar : public QWidget
{
    Q_OBJECT
public:
    explicit Sidebar(QWidget* parent = nullptr);

    QString selectedSection() const { return m_selectedSection; }
    // Draws the row of `id` selected; an id that has no row selects none.
    void setSelectedSection(const QString& id);

    bool showsAccountItem() const { return m_showsAccountItem; }
    void setShowsAccountItem(bool shows);
    QString userID() const { return m_userID; }
    void setUserID(const QString& userID);

    // Section ids of the rows, top to bottom.
    QStringList sectionIds() const;
    // Rows (counted as in sectionIds) that a divider follows.
    QList<int> dividerRows() const;

signals:
    // A row was clicked.
    void sectionSelected(const QString& id);
    void userTapped();
    void logoutRequested();

private:
    void updateAccountItem();

    QString m_selectedSection;
    bool m_showsAccountItem = false;
    QString m_userID;
    QListWidget* m_list = nullptr;
    QWidget* m_account = nullptr;
    QToolButton* m_accountButton = nullptr;
    QToolButton* m_logoutButton = nullptr;
};

} // namespace Sweepora::Ui
