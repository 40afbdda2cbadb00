#include "ui/pages/trash/CleanupHistoryPage.h"

#include "core/platform/PathBytes.h"
#include "core/trash/CleanupHistoryViewModel.h"
#include "core/util/ByteCount.h"
#include "ui/components/Buttons.h"
#include "ui/components/PlaceholderView.h"
#include "ui/style/Theme.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedLayout>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Sweepora::Ui {

using Core::CleanupHistoryViewModel;
using Core::CleanupJournal;

namespace {
constexpr int kIdRole = Qt::UserRole;

template <class View> void styleList(View* list)
{
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAlternatingRowColors(true);
    list->header()->setStretchLastSection(false);
}
} // namespace

// The batches as rows, read from the view model only for the rows on screen: a history of
// thousands of cleans opens as fast as a short one.
class HistoryBatchModel : public QAbstractTableModel
{
public:
    HistoryBatchModel(const CleanupHistoryViewModel& history, QObject* parent)
        : QAbstractTableModel(parent), m_history(history)
    {}
    void reload()
    {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_history.batches().size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 5; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QStringList titles{QStringLiteral("时间"), QStringLiteral("来源"), QStringLiteral("项目"),
                                        QStringLiteral("大小"), QStringLiteral("仍在废纸篓中")};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return titles.value(section);
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
            return {};
        const CleanupJournal::Batch& b = m_history.batches().at(index.row());
        if (role == kIdRole)
            return b.id;
        if (role == Qt::ToolTipRole)
            return QStringLiteral("第 %1 次清理：%2").arg(b.id).arg(CleanupHistoryViewModel::batchSummary(b));
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case 0:
            return b.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        case 1:
            return Core::CleanupHistory::sectionTitle(b.section);
        case 2:
            return QString::number(b.count);
        case 3:
            return Core::formattedByteCount(b.size);
        default:
            return QString::number(b.inTrash);
        }
    }

private:
    const CleanupHistoryViewModel& m_history;
};

CleanupHistoryPage::CleanupHistoryPage(QWidget* parent) : QWidget(parent), m_model(new CleanupHistoryViewModel(this))
{
    setObjectName(QStringLiteral("cleanupHistoryPage"));
    m_stack = new QStackedLayout(this);
    m_placeholder = new PlaceholderView(this);
    m_placeholder->setSymbol(QStringLiteral("clock.arrow.circlepath"));
    m_placeholder->setTitle(QStringLiteral("暂无清理记录"));
    m_placeholder->setSubtitle(QStringLiteral("每次清理移到废纸篓的项目都会记录在这里，可随时放回原处"));
    m_stack->addWidget(m_placeholder);

    m_content = new QWidget(this);
    auto* layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(16, 12, 16, 16);
    layout->setSpacing(8);
    m_batches = new QTreeView(m_content);
    styleList(m_batches);
    m_batches->setObjectName(QStringLiteral("historyBatches"));
    m_batchRows = new HistoryBatchModel(*m_model, m_batches);
    m_batches->setModel(m_batchRows);
    // Fixed widths: sizing columns to their contents would read every row.
    m_batches->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_batches->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    for (const auto& [column, width] : {std::pair{0, 160}, {2, 60}, {3, 90}, {4, 100}})
        m_batches->header()->resizeSection(column, width);
    layout->addWidget(m_batches, 3);

    auto* actions = new QHBoxLayout;
    m_message = new QLabel(m_content);
    m_message->setObjectName(QStringLiteral("historyMessage"));
    m_message->setWordWrap(true);
    Theme::makeSecondary(m_message);
    actions->addWidget(m_message, 1);
    m_restore = Buttons::prominent(QStringLiteral("恢复整批"), m_content);
    m_restore->setObjectName(QStringLiteral("historyRestore"));
    m_restore->setToolTip(QStringLiteral("把项目从废纸篓放回原位置；原位置已有同名项目时不会覆盖"));
    actions->addWidget(m_restore);
    layout->addLayout(actions);

    m_entries = new QTreeWidget(m_content);
    m_entries->setHeaderLabels({QStringLiteral("原位置"), QStringLiteral("大小"), QStringLiteral("状态")});
    styleList(m_entries);
    m_entries->setObjectName(QStringLiteral("historyEntries"));
    m_entries->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_entries->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_entries->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    layout->addWidget(m_entries, 2);
    m_stack->addWidget(m_content);

    connect(m_batches->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_rebuilding)
                    m_model->open(current.data(kIdRole).toLongLong());
            });
    connect(m_entries, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (m_rebuilding || column != 0)
            return;
        const bool ticked = item->checkState(0) == Qt::Checked;
        const qint64 id = item->data(0, kIdRole).toLongLong();
        if (ticked != m_model->tickedEntries().contains(id))
            m_model->toggleEntry(id);
    });
    connect(m_restore, &QPushButton::clicked, this, [this] { m_model->restore(m_model->openBatch()); });
    connect(m_model, &CleanupHistoryViewModel::batchesChanged, this, &CleanupHistoryPage::rebuildBatches);
    connect(m_model, &CleanupHistoryViewModel::entriesChanged, this, &CleanupHistoryPage::rebuildEntries);
    connect(m_model, &CleanupHistoryViewModel::tickedChanged, this, &CleanupHistoryPage::updateControls);
    connect(m_model, &CleanupHistoryViewModel::busyChanged, this, &CleanupHistoryPage::updateControls);
    connect(m_model, &CleanupHistoryViewModel::messageChanged, this, &CleanupHistoryPage::updateControls);
    rebuildBatches();
}

CleanupHistoryPage::~CleanupHistoryPage() = default;

void CleanupHistoryPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_model->load();
}

void CleanupHistoryPage::rebuildBatches()
{
    m_rebuilding = true;
    const qint64 open = m_model->openBatch();
    m_batchRows->reload();
    const QList<CleanupJournal::Batch>& batches = m_model->batches();
    int current = batches.isEmpty() ? -1 : 0;
    for (int row = 0; row < batches.size(); ++row)
        if (batches[row].id == open)
            current = row;
    if (current >= 0)
        m_batches->setCurrentIndex(m_batchRows->index(current, 0));
    m_rebuilding = false;
    m_model->open(current >= 0 ? batches[current].id : 0);
    m_stack->setCurrentWidget(batches.isEmpty() ? static_cast<QWidget*>(m_placeholder) : m_content);
    updateControls();
}

void CleanupHistoryPage::rebuildEntries()
{
    m_rebuilding = true;
    m_entries->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(m_model->entries().size());
    for (const CleanupJournal::Entry& e : m_model->entries()) {
        auto* item = new QTreeWidgetItem({Core::pathFromBytes(e.path), Core::formattedByteCount(e.size),
                                          CleanupHistoryViewModel::entryStateText(e.state)});
        item->setData(0, kIdRole, e.id);
        if (e.state == CleanupJournal::State::inTrash)
            item->setCheckState(0, m_model->tickedEntries().contains(e.id) ? Qt::Checked : Qt::Unchecked);
        else
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
        if (!e.error.isEmpty())
            item->setToolTip(2, e.error);
        items.append(item);
    }
    m_entries->addTopLevelItems(items);
    m_rebuilding = false;
    updateControls();
}

void CleanupHistoryPage::updateControls()
{
    qint64 inTrash = 0;
    for (const CleanupJournal::Batch& b : m_model->batches())
        if (b.id == m_model->openBatch())
            inTrash = b.inTrash;
    m_restore->setText(m_model->tickedEntries().isEmpty() ? QStringLiteral("恢复整批") : QStringLiteral("恢复所选"));
    m_restore->setEnabled(!m_model->isBusy() && inTrash > 0);
    m_message->setText(m_model->message());
}

} // namespace Sweepora::Ui
