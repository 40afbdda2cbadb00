#include "ui/pages/rules/TaskCleanPage.h"

#include "core/rules/CleanupViewModel.h"
#include "core/util/ByteCount.h"
#include "ui/components/CleanRunBar.h"
#include "ui/components/CleanupRow.h"
#include "ui/components/EmptyState.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/ScanFilePanel.h"
#include "ui/components/ScanProgressCard.h"
#include "ui/components/SelectAllBar.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace Sweepora::Ui {
namespace {
constexpr int kListInset = 28;
} // namespace

TaskCleanPage::TaskCleanPage(Core::CleanupViewModel& model, QWidget* parent) : QWidget(parent), m_model(&model)
{
    setObjectName(QStringLiteral("taskCleanPage"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("taskCleanColumn"));
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 8, 0, 0);
    columnLayout->setSpacing(12);

    m_cardHolder = new QWidget(column);
    auto* cardLayout = new QVBoxLayout(m_cardHolder);
    cardLayout->setContentsMargins(40, 0, 40, 0);
    m_progressCard = new ScanProgressCard(m_cardHolder);
    cardLayout->addWidget(m_progressCard);
    auto* cancel = new QPushButton(QStringLiteral("取消"), m_cardHolder);
    cancel->setObjectName(QStringLiteral("cancelScan"));
    cardLayout->addWidget(cancel, 0, Qt::AlignHCenter);
    connect(cancel, &QPushButton::clicked, m_model, &Core::CleanupViewModel::cancelScan);
    columnLayout->addWidget(m_cardHolder);

    m_content = new QStackedWidget(column);
    m_emptyState = new EmptyState(m_content);
    m_content->addWidget(m_emptyState);
    // With results on screen the placeholder is gone, and with it the message; the outcome of
    // a clean (in particular a partial failure) must still be seen.
    m_listPane = new QWidget(m_content);
    auto* listLayout = new QVBoxLayout(m_listPane);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(8);
    m_status = new QLabel(m_listPane);
    m_status->setObjectName(QStringLiteral("taskCleanStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setContentsMargins(30, 0, 28, 0);
    Theme::makeSecondary(m_status);
    listLayout->addWidget(m_status);
    m_selectBar = new SelectAllBar(kListInset + CleanupRow::kPadding, kListInset, m_listPane);
    listLayout->addWidget(m_selectBar);
    m_scroll = new QScrollArea(m_listPane);
    m_scroll->setObjectName(QStringLiteral("taskCleanList"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto* rowsWidget = new QWidget;
    rowsWidget->setObjectName(QStringLiteral("scrollContent"));
    m_rowLayout = new QVBoxLayout(rowsWidget);
    m_rowLayout->setContentsMargins(kListInset, 0, kListInset, 0);
    m_rowLayout->setSpacing(10);
    m_rowLayout->addStretch(1);
    m_scroll->setWidget(rowsWidget);
    listLayout->addWidget(m_scroll, 1);
    m_content->addWidget(m_listPane);
    columnLayout->addWidget(m_content, 1);
    layout->addWidget(column, 1);

    auto* panelHolder = new QWidget(this);
    panelHolder->setObjectName(QStringLiteral("taskCleanPanelHolder"));
    auto* panelLayout = new QVBoxLayout(panelHolder);
    panelLayout->setContentsMargins(0, 8, 20, 20);
    m_panel = new ScanFilePanel(panelHolder);
    panelLayout->addWidget(m_panel);
    panelHolder->hide();
    layout->addWidget(panelHolder);

    // The button floats over the list's column, so an open side panel never sits under it.
    m_button = new FloatingActionButton(column);
    m_button->setLongPressAction([this] { longPressButton(); }, kLongPressMs);
    // The list ends this far below its last row, so that the row can scroll out from under the button.
    m_rowLayout->setContentsMargins(kListInset, 0, kListInset, m_button->clearance());
    connect(m_selectBar, &SelectAllBar::toggleAllRequested, this, &TaskCleanPage::longPressButton);
    connect(m_selectBar, &SelectAllBar::rescanRequested, this, [this] { m_model->startScan(); });

    connect(m_button, &QPushButton::clicked, this, &TaskCleanPage::tapButton);
    connect(m_panel, &ScanFilePanel::closeRequested, this, &TaskCleanPage::closeDetail);
    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this, &TaskCleanPage::buildRowsAhead);
    connect(m_scroll->verticalScrollBar(), &QScrollBar::rangeChanged, this, &TaskCleanPage::buildRowsAhead);

    connect(m_model, &Core::CleanupViewModel::stateChanged, this, &TaskCleanPage::updateState);
    connect(m_model, &Core::CleanupViewModel::messageChanged, this, &TaskCleanPage::updateMessage);
    connect(m_model, &Core::CleanupViewModel::resultsChanged, this, &TaskCleanPage::updateResults);
    connect(m_model, &Core::CleanupViewModel::scanningRuleNameChanged, this,
            [this] { m_progressCard->setRuleName(m_model->scanningRuleName()); });
    connect(m_model, &Core::CleanupViewModel::scanProgressChanged, this,
            [this] { m_progressCard->setProgress(m_model->scanProgress()); });

    m_progressCard->setRuleName(m_model->scanningRuleName());
    m_progressCard->setProgress(m_model->scanProgress());
    updateMessage();
    updateResults();
    updateState();
    new CleanRunBar(m_model->cleanRun(), this);
}

void TaskCleanPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    buildRowsAhead();
}

void TaskCleanPage::updateState()
{
    const Core::ScanState state = m_model->state();
    m_cardHolder->setVisible(state == Core::ScanState::scanning);
    m_emptyState->setState(state);
    updateButton();
}

void TaskCleanPage::updateMessage()
{
    m_emptyState->setMessage(m_model->message());
    m_status->setText(m_model->message());
}

void TaskCleanPage::updateResults()
{
    const QList<Core::CleanupResult>& results = m_model->results();
    // Rows are reused in place: a toggle changes one row's box, a new scan relabels the rows
    // already built. Only as many rows as were built (at least a first batch) are kept, so the
    // scroll position survives a clean that removed some results.
    const qsizetype target = std::min(results.size(), std::max<qsizetype>(m_rows.size(), kRowBatch));
    for (qsizetype i = 0; i < target; ++i) {
        if (i < m_rows.size()) {
            if (m_rows[i]->result() != results[i])
                m_rows[i]->setResult(results[i]);
        } else {
            appendRow(results[i]);
        }
    }
    while (m_rows.size() > target) {
        CleanupRow* row = m_rows.takeLast();
        // The change may come from one of the rows' own signals: let it return first.
        row->hide();
        row->deleteLater();
    }
    m_content->setCurrentWidget(results.isEmpty() ? static_cast<QWidget*>(m_emptyState) : m_listPane);
    // The side panel follows its result: a clean that moved it (or some of its files) shows here too.
    if (m_detail) {
        const QString id = m_detail->id;
        const auto it =
            std::find_if(results.cbegin(), results.cend(), [&id](const Core::CleanupResult& r) { return r.id == id; });
        if (it == results.cend())
            closeDetail();
        else if (*it != *m_detail)
            inspect(id);
    }
    updateButton();
    buildRowsAhead();
}

void TaskCleanPage::updateButton()
{
    const Core::ScanState state = m_model->state();
    const bool busy = state == Core::ScanState::authorizing || state == Core::ScanState::scanning ||
                      state == Core::ScanState::cleaning;
    const QList<Core::CleanupResult>& results = m_model->results();
    const auto ticked = std::count_if(results.cbegin(), results.cend(), [](const auto& r) { return r.selected; });
    m_selectBar->setSelection(ticked, results.size(), m_model->selectedSize());
    m_selectBar->setRescanVisible(state == Core::ScanState::scanned);
    // An empty result offers the scan again rather than a clean of nothing.
    const bool cleanable = state == Core::ScanState::scanned && !results.isEmpty();
    if (cleanable)
        m_button->setContent(QStringLiteral("删除 ") + Core::formattedByteCount(m_model->selectedSize()),
                             QStringLiteral("trash"), QStringLiteral("长按可全选或取消全选"));
    else
        m_button->setContent(QStringLiteral("开始扫描"), QStringLiteral("magnifyingglass"),
                             QStringLiteral("扫描规则缓存"));
    m_button->setEnabled(!cleanable || ticked > 0);
    m_button->setVisible(!busy);
}

void TaskCleanPage::buildRowsAhead()
{
    const QList<Core::CleanupResult>& results = m_model->results();
    if (m_rows.size() >= results.size())
        return;
    const QScrollBar* bar = m_scroll->verticalScrollBar();
    // The layout places new rows later; the range change it causes brings us back here.
    if (bar->maximum() - bar->value() > m_scroll->viewport()->height())
        return;
    const qsizetype end = std::min(results.size(), m_rows.size() + kRowBatch);
    for (qsizetype i = m_rows.size(); i < end; ++i)
        appendRow(results[i]);
}

CleanupRow* TaskCleanPage::appendRow(const Core::CleanupResult& result)
{
    auto* row = new CleanupRow(result, m_scroll->widget());
    connect(row, &CleanupRow::toggled, this, [this](const QString& id) { m_model->toggleSelection(id); });
    connect(row, &CleanupRow::inspect, this, &TaskCleanPage::inspect);
    // Before the closing stretch.
    m_rowLayout->insertWidget(m_rowLayout->count() - 1, row);
    m_rows.append(row);
    return row;
}

void TaskCleanPage::tapButton()
{
    if (m_model->state() == Core::ScanState::scanned && !m_model->results().isEmpty())
        m_model->clean();
    else
        m_model->startScan();
}

void TaskCleanPage::longPressButton()
{
    if (m_model->state() == Core::ScanState::scanned && !m_model->results().isEmpty())
        m_model->toggleAllSelection();
}

void TaskCleanPage::inspect(const QString& resultId)
{
    const QList<Core::CleanupResult>& results = m_model->results();
    const auto it = std::find_if(results.cbegin(), results.cend(),
                                 [&resultId](const Core::CleanupResult& r) { return r.id == resultId; });
    if (it == results.cend())
        return;
    m_detail = *it;
    m_panel->setResult(*it);
    m_panel->parentWidget()->show();
}

void TaskCleanPage::closeDetail()
{
    m_detail.reset();
    m_panel->parentWidget()->hide();
}

} // namespace Sweepora::Ui
