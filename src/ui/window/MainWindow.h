#pragma once

#include <QMainWindow>

class QLabel;
class QListWidget;
class QStackedWidget;

namespace Sweepora::Ui {

// The one window: a sidebar of sections and, beside it, the header and the selected page.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    QString selectedSection() const { return m_selectedSection; }
    void setSelectedSection(const QString& id);

signals:
    void selectedSectionChanged(const QString& id);

private:
    QWidget* pageFor(const QString& id);

    QString m_selectedSection;
    QListWidget* m_sidebar = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QStackedWidget* m_pages = nullptr;
};

} // namespace Sweepora::Ui
