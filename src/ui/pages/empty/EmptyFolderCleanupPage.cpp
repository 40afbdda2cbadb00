#include "ui/pages/empty/EmptyFolderCleanupPage.h"

#include "core/scanners/EmptyFolderCleanupViewModel.h"
#include "ui/components/CleanRunBar.h"
#include "ui/components/FileItemList.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/PlaceholderView.h"
#include "ui/components/SelectAllBar.h"

namespace Sweepora::Ui {

using Core::ScanState;

EmptyFolderCleanupPage::EmptyFolderCleanupPage(Core::EmptyFolderCleanupViewModel& model, QWidget* parent)
    : PathListPage(QStringLiteral("folder.fill"), parent), m_model(model)
{
    setObjectName(QStringLiteral("emptyFolderCleanupPage"));
    actionButton()->setLongPressAction([this] { buttonLongPressed(); });
    connect(actionButton(), &QPushButton::clicked, this, &EmptyFolderCleanupPage::buttonTapped);
    connect(selectAllBar(), &SelectAllBar::toggleAllRequested, this, &EmptyFolderCleanupPage::buttonLongPressed);
    connect(selectAllBar(), &SelectAllBar::rescanRequested, this, [this] { m_model.startScan(); });
    connect(list(), &FileItemList::toggleRequested, &m_model, &Core::EmptyFolderCleanupViewModel::toggleSelection);

    connect(placeholder()->cancelButton(), &QPushButton::clicked, &m_model,
            &Core::EmptyFolderCleanupViewModel::cancelScan);
    connect(&m_model.scanWatch(), &Core::ScanWatch::changed, this, &EmptyFolderCleanupPage::refresh);
    connect(&m_model, &Core::EmptyFolderCleanupViewModel::stateChanged, this, &EmptyFolderCleanupPage::refresh);
    connect(&m_model, &Core::EmptyFolderCleanupViewModel::foldersChanged, this, &EmptyFolderCleanupPage::refresh);
    connect(&m_model, &Core::EmptyFolderCleanupViewModel::messageChanged, this, &EmptyFolderCleanupPage::refresh);
    refresh();
    new CleanRunBar(m_model.cleanRun(), this);
}

bool EmptyFolderCleanupPage::hasCleanableList() const
{
    return m_model.state() == ScanState::scanned && !m_model.folders().isEmpty();
}

void EmptyFolderCleanupPage::refresh()
{
    const ScanState state = m_model.state();
    QList<PathItemModel::Row> rows;
    rows.reserve(m_model.folders().size());
    for (const Core::EmptyFolderItem& f : m_model.folders())
        rows.append({f.path, std::nullopt, f.selected});
    showRows(std::move(rows));

    const bool busy = state == ScanState::scanning || state == ScanState::cleaning;
    placeholder()->setBusy(busy);
    placeholder()->setSymbol(state == ScanState::scanned ? QStringLiteral("checkmark.circle")
                                                         : QStringLiteral("folder.badge.minus"));
    if (state == ScanState::ready) {
        placeholder()->setTitle(QStringLiteral("扫描空文件夹"));
        placeholder()->setSubtitle(QStringLiteral("查找个人目录中不包含任何文件的文件夹"));
    } else {
        placeholder()->setTitle(m_model.message());
        placeholder()->setSubtitle(state == ScanState::scanning ? m_model.scanWatch().text()
                                                                : QStringLiteral("可重新扫描以检查刚刚变空的上级目录"));
    }
    placeholder()->cancelButton()->setVisible(state == ScanState::scanning);

    selectAllBar()->setSelection(m_model.selectedCount(), m_model.folders().size());
    selectAllBar()->setRescanVisible(state == ScanState::scanned);
    if (hasCleanableList())
        actionButton()->setContent(QStringLiteral("删除 %1 项").arg(m_model.selectedCount()), QStringLiteral("trash"),
                                   QStringLiteral("长按可全选或取消全选"));
    else
        actionButton()->setContent(QStringLiteral("开始扫描"), QStringLiteral("magnifyingglass"),
                                   QStringLiteral("扫描空文件夹"));
    actionButton()->setEnabled(!hasCleanableList() || m_model.selectedCount() > 0);
    actionButton()->setVisible(!busy);
    actionButton()->raise();
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
