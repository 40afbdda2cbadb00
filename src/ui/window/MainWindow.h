#pragma once

#include <QHash>
#include <QMainWindow>
#include <QSize>

class QAction;
class QHBoxLayout;
class QLabel;
class QStackedWidget;
class QSplitter;

namespace Sweepora::Ui {

class DetailScrollObserver;
class PageHeader;
class Sidebar;
class TitlebarFileSearch;

// The one window: the sidebar of sections and, beside it, the detail column with the header,
// the selected section's page and, when open, the editor panel. The toolbar holds the poem
// line and the title-bar search field.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    static constexpr QSize kMinimumSize{900, 600};
    // The size a new window opens at on a screen of `available` geometry: 1100×720, but never
    // more than 90 % of the screen, and never below the minimum.
    static QSize initialSize(const QSize& available);

    QString selectedSection() const { return m_selectedSection; }
    // Shows the section's header and page; selecting the current section again does nothing.
    void setSelectedSection(const QString& id);

    // Registers the page of a section (the window takes it over; a page registered before for
    // that id is deleted). Sections without a page show an empty page under their header.
    void setPage(const QString& id, QWidget* page);
    QWidget* page(const QString& id) const { return m_pages.value(id); }
    QWidget* currentPage() const;

    // Places a panel beside the page (the window takes it over); null removes and deletes the
    // current one.
    void setEditorPanel(QWidget* panel);
    QWidget* editorPanel() const { return m_editorPanel; }

    QString poemText() const { return m_poemText; }
    // The toolbar shows the text on one line (at most 280 wide, elided, full text as tooltip);
    // an empty text shows nothing.
    void setPoemText(const QString& text);

    QString fileSearchQuery() const;

    bool isHeaderCollapsed() const;
    void setHeaderCollapsed(bool collapsed);

    Sidebar* sidebar() const { return m_sidebar; }
    PageHeader* header() const { return m_header; }
    QWidget* detailArea() const { return m_detail; }
    TitlebarFileSearch* searchField() const { return m_search; }

signals:
    void selectedSectionChanged(const QString& id);
    // A query submitted in the title-bar field (trimmed, not blank); the window has already
    // switched to the file search section.
    void fileSearchSubmitted(const QString& query);

private:
    QWidget* pageOrPlaceholder(const QString& id);

    QString m_selectedSection;
    QString m_poemText;
    QString m_searchedQuery; // the file search page's header names it
    QHash<QString, QWidget*> m_pages;
    Sidebar* m_sidebar = nullptr;
    QWidget* m_detail = nullptr;
    PageHeader* m_header = nullptr;
    QStackedWidget* m_stack = nullptr;
    QHBoxLayout* m_bodyLayout = nullptr;
    QWidget* m_editorPanel = nullptr;
    QLabel* m_poem = nullptr;
    QAction* m_poemAction = nullptr;
    TitlebarFileSearch* m_search = nullptr;
    DetailScrollObserver* m_scrollObserver = nullptr;
};

} // namespace Sweepora::Ui
