#include "ui/pages/rules/RulesPage.h"

#include "core/services/RulesPageViewModel.h"
#include "ui/components/Buttons.h"
#include "ui/pages/rules/CloudRuleCard.h"
#include "ui/pages/rules/ProtectedPlacesCard.h"
#include "ui/pages/rules/RuleCard.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

namespace Sweepora::Ui {

RulesPage::RulesPage(QWidget* parent) : RulesPage(Core::RuleStore(), parent)
{}

RulesPage::RulesPage(Core::RuleStore store, QWidget* parent)
    : QWidget(parent), m_model(new Core::RulesPageViewModel(std::move(store), this))
{
    setObjectName(QStringLiteral("rulesPage"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(scroll);

    auto* content = new QWidget(scroll);
    content->setObjectName(QStringLiteral("scrollContent"));
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(24, 16, 24, 24);
    layout->setSpacing(14);

    m_cloudCard = new CloudRuleCard(*m_model, content);
    layout->addWidget(m_cloudCard);

    auto* header = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("我的规则"), content);
    title->setFont(Theme::font(TextStyle::headline));
    auto* add = Buttons::prominent(QStringLiteral("新加规则"), content, QStringLiteral("plus"));
    add->setObjectName(QStringLiteral("addRuleButton"));
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(add);
    layout->addLayout(header);

    m_list = new QWidget(content);
    m_list->setObjectName(QStringLiteral("ruleList"));
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(0, 0, 0, 0);
    m_listLayout->setSpacing(10);
    layout->addWidget(m_list);
    layout->addWidget(new ProtectedPlacesCard(content));
    layout->addStretch(1);
    scroll->setWidget(content);

    connect(add, &QPushButton::clicked, this, &RulesPage::addRequested);
    connect(m_model, &Core::RulesPageViewModel::rulesChanged, this, &RulesPage::rebuildList);
}

RulesPage::~RulesPage() = default;

QList<RuleCard*> RulesPage::ruleCards() const
{
    return m_list->findChildren<RuleCard*>(Qt::FindDirectChildrenOnly);
}

void RulesPage::setRefreshID(int refreshID)
{
    m_model->setRefreshID(refreshID);
}

void RulesPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Each appearance checks again; the check refuses to start while one runs.
    if (!event->spontaneous())
        m_model->checkCloud();
}

void RulesPage::rebuildList()
{
    for (RuleCard* card : ruleCards()) {
        m_listLayout->removeWidget(card);
        card->deleteLater();
        card->setParent(nullptr);
    }
    for (const Core::CleanupRule& rule : m_model->rules()) {
        auto* card = new RuleCard(rule, m_list);
        connect(card, &RuleCard::editRequested, this, &RulesPage::editRequested);
        m_listLayout->addWidget(card);
    }
}

} // namespace Sweepora::Ui
