#include "ui/pages/FileSearchPage.h"

#include "scanners/FileSearchViewModel.h"
#include "ui/components/FileItemList.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/PlaceholderView.h"
#include "ui/pages/PathItemModel.h"
#include "util/ByteCount.h"

#include <QStackedLayout>

namespace Sweepora::Ui {

using Core::FileSearchState;

FileSearchPage::FileSearchPage(Core::FileSearchViewModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("fileSearchPage"));
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);

    m_list = new FileItemList(this);
    m_rows = new PathItemModel(QStringLiteral("doc.fill"), this);
    m_list->setModel(m_rows);
    m_placeholder = new PlaceholderView(this);
    m_stack->addWidget(m_list);
    m_stack->addWidget(m_placeholder);

    m_button = new FloatingActionButton(this);
    // Button and list hide as the model works; a hidden focus holder passes focus along the
    // chain, and the sidebar takes a focus-in as a change of section.
    m_button->setFocusPolicy(Qt::NoFocus);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_button->setLongPressAction([this] {
        if (hasCleanableList())
            m_model.toggleAllSelection();
    });
    connect(m_button, &QPushButton::clicked, this, [this] {
        if (hasCleanableList())
            m_model.clean();
    });
    connect(m_list, &FileItemList::toggleRequested, &m_model, &Core::FileSearchViewModel::toggleSelection);

    connect(&m_model, &Core::FileSearchViewModel::stateChanged, this, &FileSearchPage::refresh);
    connect(&m_model, &Core::FileSearchViewModel::resultsChanged, this, &FileSearchPage::refresh);
    connect(&m_model, &Core::FileSearchViewModel::messageChanged, this, &FileSearchPage::refresh);
    refresh();
}

bool FileSearchPage::hasCleanableList() const
{
    return m_model.state() == FileSearchState::Searched && !m_model.results().isEmpty();
}

void FileSearchPage::refresh()
{
    const FileSearchState state = m_model.state();
    QList<PathItemModel::Row> rows;
    rows.reserve(m_model.results().size());
    for (const Core::FileSearchResult& r : m_model.results())
        rows.append({r.path, r.size, r.selected});
    m_rows->setRows(std::move(rows));

    m_placeholder->setBusy(state == FileSearchState::Searching || state == FileSearchState::Cleaning);
    m_placeholder->setSymbol(state == FileSearchState::Ready ? QStringLiteral("magnifyingglass")
                                                             : QStringLiteral("doc.text.magnifyingglass"));
    m_placeholder->setTitle(m_model.message());
    m_placeholder->setSubtitle(state == FileSearchState::Ready ? QStringLiteral("支持按文件名模糊匹配，不区分大小写")
                                                               : QString());
    m_stack->setCurrentWidget(m_model.results().isEmpty() ? static_cast<QWidget*>(m_placeholder) : m_list);

    m_button->setContent(QStringLiteral("删除 ") + Core::formattedByteCount(m_model.selectedSize()),
                         QStringLiteral("trash"), QStringLiteral("长按可全选或取消全选"));
    m_button->setVisible(hasCleanableList());
    m_button->raise();
}

} // namespace Sweepora::Ui
