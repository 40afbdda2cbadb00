#include "ui/components/PathListPage.h"

#include "ui/components/FileItemList.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/PlaceholderView.h"
#include "ui/components/SelectAllBar.h"

#include <QStackedLayout>
#include <QVBoxLayout>

namespace Sweepora::Ui {

PathListPage::PathListPage(const QString& rowSymbol, QWidget* parent) : QWidget(parent)
{
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);

    FileItemDelegate::Options options;
    options.defaultSymbol = rowSymbol;
    m_listArea = new QWidget(this);
    auto* listLayout = new QVBoxLayout(m_listArea);
    m_list = new FileItemList(options, m_listArea);
    m_rows = new PathItemModel(rowSymbol, this);
    m_list->setModel(m_rows);
    m_selectBar = new SelectAllBar(FileItemDelegate::kPadding + m_list->spacing(), m_list->spacing(), m_listArea);
    listLayout->addWidget(m_selectBar);
    listLayout->addWidget(m_list);
    m_placeholder = new PlaceholderView(this);
    m_stack->addWidget(m_listArea);
    m_stack->addWidget(m_placeholder);

    m_button = new FloatingActionButton(this);
    // Room below the list, so the last row stays clear of the floating button.
    listLayout->setContentsMargins(m_list->pageMargins(m_button->clearance()));
    // Button and list hide as the model works; a hidden focus holder passes focus along the
    // chain, and the sidebar takes a focus-in as a change of section.
    m_button->setFocusPolicy(Qt::NoFocus);
    m_list->setFocusPolicy(Qt::NoFocus);
}

void PathListPage::showRows(QList<PathItemModel::Row> rows, bool keepList)
{
    const bool empty = rows.isEmpty() && !keepList;
    m_rows->setRows(std::move(rows));
    m_stack->setCurrentWidget(empty ? static_cast<QWidget*>(m_placeholder) : m_listArea);
}

void PathListPage::showChecks(const QList<bool>& checks)
{
    m_rows->setChecks(checks);
}

} // namespace Sweepora::Ui
