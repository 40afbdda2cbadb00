#include "ui/pages/apps/ApplicationCleanupPage.h"

#include "core/apps/ApplicationCleanupViewModel.h"
#include "core/util/ByteCount.h"
#include "ui/components/CleanRunBar.h"
#include "ui/components/CleanupRow.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/PlaceholderView.h"
#include "ui/components/ScanFilePanel.h"
#include "ui/components/SelectAllBar.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace Sweepora::Ui {

using Core::ScanState;

namespace {
constexpr int kListInset = 28;
} // namespace

ApplicationCleanupPage::ApplicationCleanupPage(Core::ApplicationCleanupViewModel& model, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("applicationCleanupPage"));
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // The button floats over this column, so an open side panel never sits under it.
    auto* columnWidget = new QWidget(this);
    auto* column = new QVBoxLayout(columnWidget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    outer->addWidget(columnWidget, 1);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("applicationCleanupProgress"));
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(6);
    m_progress->setStyleSheet(
        QStringLiteral("QProgressBar::chunk { background: %1; }").arg(Theme::tint(Tint::blue).name()));
    auto* progressBox = new QVBoxLayout;
    progressBox->setContentsMargins(40, 0, 40, 16);
    progressBox->addWidget(m_progress);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("cancelScan"));
    progressBox->addWidget(m_cancel, 0, Qt::AlignHCenter);
    column->addLayout(progressBox);

    m_stack = new QStackedWidget(this);
    column->addWidget(m_stack, 1);

    m_placeholder = new PlaceholderView(m_stack);
    m_placeholder->setSubtitle(QStringLiteral("只处理可重建的缓存、日志和临时文件，不会扫描文档或偏好设置"));
    m_stack->addWidget(m_placeholder);

    m_listPane = new QWidget(m_stack);
    auto* listLayout = new QVBoxLayout(m_listPane);
    listLayout->setContentsMargins(0, 0, 0, 0);
    m_selectBar = new SelectAllBar(kListInset + CleanupRow::kPadding, kListInset, m_listPane);
    listLayout->addWidget(m_selectBar);
    m_scroll = new QScrollArea(m_listPane);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    auto* rowsHost = new QWidget(m_scroll);
    m_rowLayout = new QVBoxLayout(rowsHost);
    m_rowLayout->setSpacing(10);
    m_rowLayout->addStretch(1);
    m_scroll->setWidget(rowsHost);
    listLayout->addWidget(m_scroll, 1);
    m_stack->addWidget(m_listPane);

    m_panel = new ScanFilePanel(this);
    m_panel->setFixedWidth(ScanFilePanel::kWidth);
    m_panel->hide();
    outer->addWidget(m_panel);
    connect(m_panel, &ScanFilePanel::closeRequested, this, [this] {
        m_detailID.clear();
        m_panel->hide();
    });

    m_button = new FloatingActionButton(columnWidget);
    connect(m_button, &QPushButton::clicked, this, &ApplicationCleanupPage::onTap);
    m_button->setLongPressAction([this] { onLongPress(); });
    // Room for the floating button below the last row.
    m_rowLayout->setContentsMargins(kListInset, 0, kListInset, m_button->clearance());
    connect(m_selectBar, &SelectAllBar::toggleAllRequested, this, &ApplicationCleanupPage::onLongPress);
    connect(m_selectBar, &SelectAllBar::rescanRequested, this, [this] { m_model.startScan(); });

    connect(&m_model, &Core::ApplicationCleanupViewModel::resultsChanged, this, [this] {
        rebuildRows();
        updateState();
    });
    connect(&m_model, &Core::ApplicationCleanupViewModel::stateChanged, this, &ApplicationCleanupPage::updateState);
    connect(&m_model, &Core::ApplicationCleanupViewModel::messageChanged, this, &ApplicationCleanupPage::updateState);
    connect(m_cancel, &QPushButton::clicked, &m_model, &Core::ApplicationCleanupViewModel::cancelScan);
    connect(&m_model, &Core::ApplicationCleanupViewModel::progressChanged, this,
            [this] { m_progress->setValue(static_cast<int>(m_model.progress() * 1000)); });
    rebuildRows();
    updateState();
    new CleanRunBar(m_model.cleanRun(), this);
}

Core::CleanupResult ApplicationCleanupPage::rowResult(const Core::ApplicationCleanupResult& result)
{
    Core::CleanupResult row;
    row.id = result.id;
    // The row's icon: the entry's Icon on Linux, else the bundle identifier.
    row.rule.packName = result.target.icon.isEmpty() ? result.target.bundleID : result.target.icon;
    row.rule.name = result.target.name;
    row.rule.description = QStringLiteral("应用缓存与临时文件");
    row.files = result.files;
    row.size = result.size;
    row.selected = result.selected;
    return row;
}

void ApplicationCleanupPage::inspect(const QString& resultID)
{
    for (const Core::ApplicationCleanupResult& r : m_model.results()) {
        if (r.id == resultID) {
            m_detailID = resultID;
            m_panel->setResult(rowResult(r));
            m_panel->show();
            return;
        }
    }
}

void ApplicationCleanupPage::rebuildRows()
{
    const QList<Core::ApplicationCleanupResult>& results = m_model.results();
    // Rows are reused in place; only a changed count adds or removes cards.
    while (m_rows.size() > results.size())
        delete m_rows.takeLast();
    for (qsizetype i = 0; i < results.size(); ++i) {
        const Core::CleanupResult row = rowResult(results[i]);
        if (i < m_rows.size()) {
            if (m_rows[i]->result() != row)
                m_rows[i]->setResult(row);
            continue;
        }
        auto* card = new CleanupRow(row, m_scroll->widget());
        connect(card, &CleanupRow::toggled, this, [this](const QString& id) { m_model.toggleSelection(id); });
        connect(card, &CleanupRow::inspect, this, &ApplicationCleanupPage::inspect);
        m_rowLayout->insertWidget(m_rowLayout->count() - 1, card);
        m_rows.append(card);
    }
    if (!m_detailID.isEmpty()) {
        const auto it =
            std::find_if(results.cbegin(), results.cend(), [this](const auto& r) { return r.id == m_detailID; });
        if (it == results.cend()) {
            m_detailID.clear();
            m_panel->hide();
        } else {
            m_panel->setResult(rowResult(*it));
        }
    }
}

void ApplicationCleanupPage::updateState()
{
    const ScanState state = m_model.state();
    const bool scanned = state == ScanState::scanned;
    m_progress->setVisible(state == ScanState::scanning);
    m_cancel->setVisible(state == ScanState::scanning);
    m_stack->setCurrentWidget(m_model.results().isEmpty() ? static_cast<QWidget*>(m_placeholder) : m_listPane);
    m_placeholder->setSymbol(scanned ? QStringLiteral("checkmark.circle") : QStringLiteral("app.badge.checkmark"));
    m_placeholder->setTitle(scanned ? m_model.message() : QStringLiteral("扫描所有应用的缓存垃圾"));

    const QList<Core::ApplicationCleanupResult>& results = m_model.results();
    const auto ticked = std::count_if(results.cbegin(), results.cend(), [](const auto& r) { return r.selected; });
    m_selectBar->setSelection(ticked, results.size(), m_model.selectedSize());
    m_selectBar->setRescanVisible(scanned);
    // An empty result offers the scan again rather than a clean of nothing.
    const bool cleanable = scanned && !results.isEmpty();
    m_button->setVisible(state == ScanState::ready || scanned);
    m_button->setEnabled(!cleanable || ticked > 0);
    if (cleanable)
        m_button->setContent(QStringLiteral("删除 ") + Core::formattedByteCount(m_model.selectedSize()),
                             QStringLiteral("trash"), QStringLiteral("长按可全选或取消全选"));
    else
        m_button->setContent(QStringLiteral("开始扫描"), QStringLiteral("magnifyingglass"),
                             QStringLiteral("扫描应用缓存"));
}

void ApplicationCleanupPage::onTap()
{
    if (m_model.state() == ScanState::scanned && !m_model.results().isEmpty())
        m_model.clean();
    else
        m_model.startScan();
}

void ApplicationCleanupPage::onLongPress()
{
    if (m_model.state() == ScanState::scanned && !m_model.results().isEmpty())
        m_model.toggleAllSelection();
}

} // namespace Sweepora::Ui
