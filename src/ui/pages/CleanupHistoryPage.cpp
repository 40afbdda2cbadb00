#include "ui/pages/CleanupHistoryPage.h"

#include "platform/PathBytes.h"
#include "trash/CleanupHistoryViewModel.h"
#include "ui/components/PlaceholderView.h"
#include "ui/pages/Buttons.h"
#include "ui/style/Theme.h"
#include "util/ByteCount.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedLayout>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Sweepora::Ui {

using Core::CleanupHistoryViewModel;
using Core::CleanupJournal;

namespace {
constexpr int kIdRole = Qt::UserRole;

QTreeWidget* makeList(const QStringList& headers, QWidget* parent)
{
    auto* list = new QTreeWidget(parent);
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAlternatingRowColors(true);
    list->header()->setStretchLastSection(false);
    return list;
}
} // namespace

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
    m_batches = makeList({QStringLiteral("时间"), QStringLiteral("来源"), QStringLiteral("项目"),
                          QStringLiteral("大小"), QStringLiteral("仍在废纸篓中")},
                         m_content);
    m_batches->setObjectName(QStringLiteral("historyBatches"));
    m_batches->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_batches->header()->setSectionResizeMode(1, QHeaderView::Stretch);
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

    m_entries = makeList({QStringLiteral("原位置"), QStringLiteral("大小"), QStringLiteral("状态")}, m_content);
    m_entries->setObjectName(QStringLiteral("historyEntries"));
    m_entries->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_entries->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_entries->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    layout->addWidget(m_entries, 2);
    m_stack->addWidget(m_content);

    connect(m_batches, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!m_rebuilding)
            m_model->open(item ? item->data(0, kIdRole).toLongLong() : 0);
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
    m_batches->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(m_model->batches().size());
    QTreeWidgetItem* current = nullptr;
    for (const CleanupJournal::Batch& b : m_model->batches()) {
        auto* item = new QTreeWidgetItem({b.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                          Core::CleanupHistory::sectionTitle(b.section), QString::number(b.count),
                                          Core::formattedByteCount(b.size), QString::number(b.inTrash)});
        item->setData(0, kIdRole, b.id);
        item->setToolTip(0, QStringLiteral("第 %1 次清理").arg(b.id));
        item->setToolTip(1, CleanupHistoryViewModel::batchSummary(b));
        items.append(item);
        if (b.id == open)
            current = item;
    }
    m_batches->addTopLevelItems(items);
    if (current == nullptr && !items.isEmpty())
        current = items.first();
    m_batches->setCurrentItem(current);
    m_rebuilding = false;
    m_model->open(current ? current->data(0, kIdRole).toLongLong() : 0);
    m_stack->setCurrentWidget(items.isEmpty() ? static_cast<QWidget*>(m_placeholder) : m_content);
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
        if (e.state == CleanupJournal::State::InTrash)
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
