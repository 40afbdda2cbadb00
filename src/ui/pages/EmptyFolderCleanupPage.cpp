#include "ui/pages/EmptyFolderCleanupPage.h"

#include "scanners/EmptyFolderCleanupViewModel.h"
#include "ui/components/FileItemList.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/PlaceholderView.h"
#include "ui/pages/PathItemModel.h"

#include <QStackedLayout>

namespace Sweepora::Ui {

using State = Core::EmptyFolderCleanupViewModel::State;

EmptyFolderCleanupPage::EmptyFolderCleanupPage(Core::EmptyFolderCleanupViewModel& model, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("emptyFolderCleanupPage"));
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);

    FileItemDelegate::Options options;
    options.defaultSymbol = QStringLiteral("folder.fill");
    m_list = new FileItemList(options, this);
    m_rows = new PathItemModel(QStringLiteral("folder.fill"), this);
    m_list->setModel(m_rows);
    m_placeholder = new PlaceholderView(this);
    m_stack->addWidget(m_list);
    m_stack->addWidget(m_placeholder);

    m_button = new FloatingActionButton(this);
    // Button and list hide as the model works; a hidden focus holder passes focus along the
    // chain, and the sidebar takes a focus-in as a change of section.
    m_button->setFocusPolicy(Qt::NoFocus);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_button->setLongPressAction([this] { buttonLongPressed(); });
    connect(m_button, &QPushButton::clicked, this, &EmptyFolderCleanupPage::buttonTapped);
    connect(m_list, &FileItemList::toggleRequested, &m_model, &Core::EmptyFolderCleanupViewModel::toggleSelection);

    connect(&m_model, &Core::EmptyFolderCleanupViewModel::stateChanged, this, &EmptyFolderCleanupPage::refresh);
    connect(&m_model, &Core::EmptyFolderCleanupViewModel::foldersChanged, this, &EmptyFolderCleanupPage::refresh);
    connect(&m_model, &Core::EmptyFolderCleanupViewModel::messageChanged, this, &EmptyFolderCleanupPage::refresh);
    refresh();
}

bool EmptyFolderCleanupPage::hasCleanableList() const
{
    return m_model.state() == State::Scanned && !m_model.folders().isEmpty();
}

void EmptyFolderCleanupPage::refresh()
{
    const State state = m_model.state();
    QList<PathItemModel::Row> rows;
    rows.reserve(m_model.folders().size());
    for (const Core::EmptyFolderItem& f : m_model.folders())
        rows.append({f.path, std::nullopt, f.selected});
    m_rows->setRows(std::move(rows));

    const bool busy = state == State::Scanning || state == State::Cleaning;
    m_placeholder->setBusy(busy);
    m_placeholder->setSymbol(state == State::Scanned ? QStringLiteral("checkmark.circle")
                                                     : QStringLiteral("folder.badge.minus"));
    if (state == State::Ready) {
        m_placeholder->setTitle(QStringLiteral("扫描空文件夹"));
        m_placeholder->setSubtitle(QStringLiteral("查找个人目录中不包含任何文件的文件夹"));
    } else {
        m_placeholder->setTitle(m_model.message());
        m_placeholder->setSubtitle(QStringLiteral("可重新扫描以检查刚刚变空的上级目录"));
    }
    m_stack->setCurrentWidget(m_model.folders().isEmpty() ? static_cast<QWidget*>(m_placeholder) : m_list);

    if (hasCleanableList())
        m_button->setContent(QStringLiteral("删除 %1 项").arg(m_model.selectedCount()), QStringLiteral("trash"),
                             QStringLiteral("长按可全选或取消全选"));
    else
        m_button->setContent(QStringLiteral("开始扫描"), QStringLiteral("magnifyingglass"),
                             QStringLiteral("扫描空文件夹"));
    m_button->setVisible(!busy);
    m_button->raise();
}

void EmptyFolderCleanupPage::buttonTapped()
{
    if (hasCleanableList())
        m_model.clean();
    else
        m_model.startScan();
}

void EmptyFolderCleanupPage::buttonLongPressed()
{
    if (hasCleanableList())
        m_model.toggleAllSelection();
}

} // namespace Sweepora::Ui
