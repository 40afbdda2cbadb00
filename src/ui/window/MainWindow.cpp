#include "ui/window/MainWindow.h"

#include "core/sections/SectionTable.h"
#include "ui/style/Theme.h"
#include "ui/window/DetailScrollObserver.h"
#include "ui/window/PageHeader.h"
#include "ui/window/Sidebar.h"
#include "ui/window/TitlebarFileSearch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace Sweepora::Ui {
namespace {
constexpr int kPoemMaxWidth = 280;

QString searchSubtitle(const QString& query)
{
    return QStringLiteral("搜索“%1”的结果").arg(query);
}
} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Sweepora"));
    setMinimumSize(kMinimumSize);
    setUnifiedTitleAndToolBarOnMac(true);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("mainSplitter"));
    splitter->setChildrenCollapsible(false);
    splitter->setHandleWidth(1);

    m_sidebar = new Sidebar(splitter);
    m_sidebar->setMinimumWidth(200);
    m_sidebar->setMaximumWidth(300);
    m_sidebar->setShowsAccountItem(false);

    m_detail = new QWidget(splitter);
    m_detail->setObjectName(QStringLiteral("detailArea"));
    auto* detailLayout = new QVBoxLayout(m_detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(0);
    m_header = new PageHeader(m_detail);
    detailLayout->addWidget(m_header);
    auto* body = new QWidget(m_detail);
    body->setObjectName(QStringLiteral("detailBody"));
    m_bodyLayout = new QHBoxLayout(body);
    m_bodyLayout->setContentsMargins(0, 0, 0, 0);
    m_bodyLayout->setSpacing(0);
    m_stack = new QStackedWidget(body);
    m_stack->setObjectName(QStringLiteral("pages"));
    m_bodyLayout->addWidget(m_stack, 1);
    detailLayout->addWidget(body, 1);

    splitter->addWidget(m_sidebar);
    splitter->addWidget(m_detail);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 880});
    setCentralWidget(splitter);

    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("mainToolBar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->toggleViewAction()->setVisible(false);
    auto* spacer = new QWidget(toolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar->addWidget(spacer);
    m_poem = new QLabel(toolbar);
    m_poem->setObjectName(QStringLiteral("poemLabel"));
    m_poem->setTextFormat(Qt::PlainText);
    m_poem->setFont(Theme::font(TextStyle::callout));
    m_poem->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_poem->setMaximumWidth(kPoemMaxWidth);
    Theme::makeSecondary(m_poem);
    // A widget in a toolbar is shown and hidden through its action.
    m_poemAction = toolbar->addWidget(m_poem);
    m_poemAction->setVisible(false);
    m_search = new TitlebarFileSearch(toolbar);
    toolbar->addWidget(m_search);
    addToolBar(Qt::TopToolBarArea, toolbar);

    m_scrollObserver = new DetailScrollObserver(m_detail);
    connect(m_scrollObserver, &DetailScrollObserver::scrolled, this, &MainWindow::setHeaderCollapsed);
    connect(m_sidebar, &Sidebar::sectionSelected, this, &MainWindow::setSelectedSection);
    connect(m_search, &TitlebarFileSearch::submitted, this, [this](const QString& query) {
        m_searchedQuery = query;
        if (m_selectedSection == Core::sectionId(Core::SectionKey::fileSearch))
            m_header->setSubtitle(searchSubtitle(query));
        setSelectedSection(Core::sectionId(Core::SectionKey::fileSearch));
        emit fileSearchSubmitted(query);
    });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, m_search, &TitlebarFileSearch::focusField);

    setSelectedSection(Core::sidebarSections().first().id);
}

void MainWindow::setSelectedSection(const QString& id)
{
    if (id == m_selectedSection)
        return;
    m_selectedSection = id;
    m_header->setSection(id);
    if (id == Core::sectionId(Core::SectionKey::fileSearch) && !m_searchedQuery.isEmpty())
        m_header->setSubtitle(searchSubtitle(m_searchedQuery));
    // A new section starts at its top, with its header open.
    m_header->setCollapsed(false);
    m_sidebar->setSelectedSection(id);
    m_stack->setCurrentWidget(pageOrPlaceholder(id));
    emit selectedSectionChanged(id);
}

QWidget* MainWindow::pageOrPlaceholder(const QString& id)
{
    if (QWidget* page = m_pages.value(id))
        return page;
    // Sections whose page is not there show an empty page under their header.
    auto* empty = new QWidget(m_stack);
    empty->setObjectName(QStringLiteral("emptyPage"));
    empty->setProperty("placeholder", true);
    m_stack->addWidget(empty);
    m_pages.insert(id, empty);
    return empty;
}

void MainWindow::setPage(const QString& id, QWidget* page)
{
    QWidget* old = m_pages.value(id);
    if (old == page)
        return;
    if (page != nullptr) {
        m_stack->addWidget(page);
        m_pages.insert(id, page);
    } else {
        m_pages.remove(id);
    }
    if (id == m_selectedSection)
        m_stack->setCurrentWidget(pageOrPlaceholder(id));
    if (old != nullptr) {
        m_stack->removeWidget(old);
        old->deleteLater();
    }
}

QWidget* MainWindow::currentPage() const
{
    return m_stack->currentWidget();
}

void MainWindow::setEditorPanel(QWidget* panel)
{
    if (panel == m_editorPanel)
        return;
    if (m_editorPanel != nullptr) {
        m_bodyLayout->removeWidget(m_editorPanel);
        m_editorPanel->hide();
        m_editorPanel->deleteLater();
    }
    m_editorPanel = panel;
    if (panel != nullptr) {
        panel->setParent(m_stack->parentWidget());
        m_bodyLayout->addWidget(panel, 0);
        panel->show();
    }
}

void MainWindow::setPoemText(const QString& text)
{
    m_poemText = text;
    const QString shown = m_poem->fontMetrics().elidedText(text, Qt::ElideRight, kPoemMaxWidth);
    m_poem->setText(shown);
    m_poem->setToolTip(text);
    m_poemAction->setVisible(!text.isEmpty());
}

QString MainWindow::fileSearchQuery() const
{
    return m_search->query();
}

bool MainWindow::isHeaderCollapsed() const
{
    return m_header->isCollapsed();
}

void MainWindow::setHeaderCollapsed(bool collapsed)
{
    m_header->setCollapsed(collapsed);
}

QSize MainWindow::initialSize(const QSize& available)
{
    const QSize preferred(1100, 720);
    const QSize fitting = available.isValid() ? available * 0.9 : preferred;
    return preferred.boundedTo(fitting).expandedTo(kMinimumSize);
}

} // namespace Sweepora::Ui
