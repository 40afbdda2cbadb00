#include "ui/window/MainWindow.h"

#include "ui/window/Sections.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace Sweepora::Ui {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Sweepora"));
    setMinimumSize(900, 600);

    auto* splitter = new QSplitter(this);
    m_sidebar = new QListWidget(splitter);
    m_sidebar->setObjectName(QStringLiteral("sidebar"));
    m_sidebar->setMinimumWidth(180);
    m_sidebar->setMaximumWidth(260);
    for (const Section& s : sidebarSections()) {
        auto* item = new QListWidgetItem(s.id, m_sidebar);
        item->setData(Qt::UserRole, s.id);
        if (s.dividerAfter) {
            auto* divider = new QListWidgetItem(m_sidebar);
            divider->setFlags(Qt::NoItemFlags);
            divider->setSizeHint(QSize(0, 9));
            auto* line = new QFrame;
            line->setFrameShape(QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            m_sidebar->setItemWidget(divider, line);
        }
    }

    auto* detail = new QWidget(splitter);
    auto* detailLayout = new QVBoxLayout(detail);
    m_title = new QLabel(detail);
    m_title->setObjectName(QStringLiteral("headerTitle"));
    QFont titleFont = m_title->font();
    titleFont.setPointSize(28);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_subtitle = new QLabel(detail);
    m_subtitle->setObjectName(QStringLiteral("headerSubtitle"));
    m_subtitle->setForegroundRole(QPalette::PlaceholderText);
    m_pages = new QStackedWidget(detail);
    detailLayout->addWidget(m_title);
    detailLayout->addWidget(m_subtitle);
    detailLayout->addWidget(m_pages, 1);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);

    connect(m_sidebar, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item != nullptr && item->data(Qt::UserRole).isValid())
            setSelectedSection(item->data(Qt::UserRole).toString());
    });
    setSelectedSection(QStringLiteral("快速清理"));
}

void MainWindow::setSelectedSection(const QString& id)
{
    if (id == m_selectedSection)
        return;
    m_selectedSection = id;
    m_title->setText(id);
    m_subtitle->setText(sectionSubtitle(id));
    m_pages->setCurrentWidget(pageFor(id));
    for (int i = 0; i < m_sidebar->count(); ++i) {
        QListWidgetItem* item = m_sidebar->item(i);
        if (item->data(Qt::UserRole).toString() == id && m_sidebar->currentItem() != item)
            m_sidebar->setCurrentItem(item);
    }
    emit selectedSectionChanged(id);
}

QWidget* MainWindow::pageFor(const QString& id)
{
    for (int i = 0; i < m_pages->count(); ++i)
        if (m_pages->widget(i)->objectName() == id)
            return m_pages->widget(i);
    // Pages not built yet show their title only.
    auto* page = new QLabel(id, m_pages);
    page->setObjectName(id);
    page->setAlignment(Qt::AlignCenter);
    m_pages->addWidget(page);
    return page;
}

} // namespace Sweepora::Ui
