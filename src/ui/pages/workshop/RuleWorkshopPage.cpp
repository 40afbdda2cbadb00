#include "ui/pages/workshop/RuleWorkshopPage.h"

#include "core/services/RuleWorkshopViewModel.h"
#include "ui/components/Buttons.h"
#include "ui/components/PlaceholderView.h"
#include "ui/pages/workshop/MarketRuleRow.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace Sweepora::Ui {

using State = Core::RuleWorkshopViewModel::ContentState;

RuleWorkshopPage::RuleWorkshopPage(QWidget* parent) : QWidget(parent), m_model(new Core::RuleWorkshopViewModel(this))
{
    setObjectName(QStringLiteral("ruleWorkshopPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 0);
    layout->setSpacing(14);

    auto* header = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("云端规则"), this);
    title->setFont(Theme::font(TextStyle::headline));
    auto* upload = Buttons::prominent(QStringLiteral("上传规则"), this, QStringLiteral("icloud.and.arrow.up"));
    upload->setObjectName(QStringLiteral("uploadRuleButton"));
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(upload);
    layout->addLayout(header);

    m_content = new QStackedWidget(this);
    layout->addWidget(m_content, 1);

    m_placeholderPage = new QWidget(m_content);
    auto* placeholderLayout = new QVBoxLayout(m_placeholderPage);
    placeholderLayout->addStretch(1);
    m_placeholder = new PlaceholderView(m_placeholderPage);
    m_placeholder->setObjectName(QStringLiteral("workshopPlaceholder"));
    placeholderLayout->addWidget(m_placeholder);
    m_reload = Buttons::prominent(QStringLiteral("重新加载"), m_placeholderPage);
    m_reload->setObjectName(QStringLiteral("workshopReload"));
    placeholderLayout->addWidget(m_reload, 0, Qt::AlignHCenter);
    placeholderLayout->addStretch(2);
    m_content->addWidget(m_placeholderPage);

    auto* scroll = new QScrollArea(m_content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_list = new QWidget(scroll);
    m_list->setObjectName(QStringLiteral("scrollContent"));
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(0, 0, 0, 24);
    m_listLayout->setSpacing(10);
    m_listLayout->addStretch(1);
    scroll->setWidget(m_list);
    m_listPage = scroll;
    m_content->addWidget(m_listPage);

    connect(upload, &QPushButton::clicked, this, &RuleWorkshopPage::uploadRequested);
    connect(m_reload, &QPushButton::clicked, m_model, &Core::RuleWorkshopViewModel::load);
    connect(m_model, &Core::RuleWorkshopViewModel::stateChanged, this, &RuleWorkshopPage::update);
    update();
}

RuleWorkshopPage::~RuleWorkshopPage() = default;

QList<MarketRuleRow*> RuleWorkshopPage::rows() const
{
    return m_list->findChildren<MarketRuleRow*>(Qt::FindDirectChildrenOnly);
}

QWidget* RuleWorkshopPage::currentContent() const
{
    return m_content->currentWidget();
}

void RuleWorkshopPage::setRefreshID(int refreshID)
{
    m_model->setRefreshID(refreshID);
}

void RuleWorkshopPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        m_model->load();
}

void RuleWorkshopPage::update()
{
    const State state = m_model->contentState();
    m_reload->setVisible(state == State::unavailable);
    switch (state) {
    case State::loading:
        m_placeholder->setBusy(true);
        m_placeholder->setTitle(QString());
        m_placeholder->setSubtitle(QStringLiteral("正在加载规则工坊…"));
        break;
    case State::unavailable:
        m_placeholder->setBusy(false);
        m_placeholder->setSymbol(QStringLiteral("wifi.exclamationmark"));
        m_placeholder->setTitle(QStringLiteral("规则工坊暂时不可用"));
        m_placeholder->setSubtitle(m_model->errorMessage());
        break;
    case State::empty:
        m_placeholder->setBusy(false);
        m_placeholder->setSymbol(QStringLiteral("shippingbox"));
        m_placeholder->setTitle(QStringLiteral("规则工坊暂无规则"));
        m_placeholder->setSubtitle(QString());
        break;
    case State::list:
        break;
    }
    m_content->setCurrentWidget(state == State::list ? m_listPage : m_placeholderPage);
    rebuildList();
}

void RuleWorkshopPage::rebuildList()
{
    // Rebuild only when the entries changed: a reload's state changes keep the rows (and the
    // scroll position) as they are.
    const QList<Core::MarketRule>& rules = m_model->rules();
    const bool same = rules.size() == m_shownRules.size() &&
                      std::equal(rules.cbegin(), rules.cend(), m_shownRules.cbegin(),
                                 [](const Core::MarketRule& a, const Core::MarketRule& b) {
                                     return a.id == b.id && a.allow == b.allow && a.ruleJSON == b.ruleJSON &&
                                            a.updatedAt == b.updatedAt;
                                 });
    if (same)
        return;
    m_shownRules = rules;
    for (MarketRuleRow* row : rows()) {
        m_listLayout->removeWidget(row);
        row->setParent(nullptr);
        row->deleteLater();
    }
    int position = 0;
    for (const Core::MarketRule& entry : rules) {
        auto* row = new MarketRuleRow(entry, m_list);
        connect(row, &MarketRuleRow::openRequested, this, [this, entry] { emit openRequested(entry); });
        m_listLayout->insertWidget(position++, row);
    }
}

} // namespace Sweepora::Ui
