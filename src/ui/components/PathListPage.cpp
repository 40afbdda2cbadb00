#include "ui/components/PathListPage.h"

#include "ui/components/FileItemList.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/PlaceholderView.h"

#include <QStackedLayout>

namespace Sweepora::Ui {

PathListPage::PathListPage(const QString& rowSymbol, QWidget* parent) : QWidget(parent)
{
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);

    FileItemDelegate::Options options;
    options.defaultSymbol = rowSymbol;
    m_list = new FileItemList(options, this);
    m_rows = new PathItemModel(rowSymbol, this);
    m_list->setModel(m_rows);
    m_placeholder = new PlaceholderView(this);
    m_stack->addWidget(m_list);
    m_stack->addWidget(m_placeholder);

    m_button = new FloatingActionButton(this);
    // Button and list hide as the model works; a hidden focus holder passes focus along the
    // chain, and the sidebar takes a focus-in as a change of section.
    m_button->setFocusPolicy(Qt::NoFocus);
    m_list->setFocusPolicy(Qt::NoFocus);
}

void PathListPage::showRows(QList<PathItemModel::Row> rows)
{
    const bool empty = rows.isEmpty();
    m_rows->setRows(std::move(rows));
    m_stack->setCurrentWidget(empty ? static_cast<QWidget*>(m_placeholder) : m_list);
}

} // namespace Sweepora::Ui
