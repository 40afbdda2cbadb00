#include "ui/pages/rules/CloudRuleCard.h"

#include "core/services/RulesPageViewModel.h"
#include "ui/components/BusyIndicator.h"
#include "ui/components/Buttons.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace Sweepora::Ui {

using Control = Core::RulesPageViewModel::CloudControl;

CloudRuleCard::CloudRuleCard(Core::RulesPageViewModel& model, QWidget* parent) : QFrame(parent), m_model(model)
{
    setObjectName(QStringLiteral("cloudRuleCard"));
    Theme::makeCard(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(12);

    auto* icon = new QLabel(this);
    icon->setPixmap(
        Symbols::pixmap(QStringLiteral("icloud.and.arrow.down"), 26, Theme::tint(Tint::accent), devicePixelRatioF()));
    layout->addWidget(icon);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = new QLabel(QStringLiteral("云端规则"), this);
    title->setFont(Theme::font(TextStyle::headline));
    m_subtitle = new QLabel(this);
    m_subtitle->setObjectName(QStringLiteral("cloudRuleSubtitle"));
    m_subtitle->setTextFormat(Qt::PlainText);
    m_subtitle->setFont(Theme::font(TextStyle::subheadline));
    Theme::makeSecondary(m_subtitle);
    texts->addWidget(title);
    texts->addWidget(m_subtitle);
    layout->addLayout(texts, 1);

    m_control = new QStackedWidget(this);
    m_spinner = new BusyIndicator(18, m_control);
    m_spinner->setObjectName(QStringLiteral("cloudRuleSpinner"));
    m_sync = Buttons::prominent(QStringLiteral("同步"), m_control);
    m_sync->setObjectName(QStringLiteral("cloudRuleSync"));
    m_upToDate = new QLabel(m_control);
    m_upToDate->setObjectName(QStringLiteral("cloudRuleUpToDate"));
    m_upToDate->setPixmap(
        Symbols::pixmap(QStringLiteral("checkmark.circle.fill"), 20, Theme::tint(Tint::green), devicePixelRatioF()));
    m_upToDate->setToolTip(QStringLiteral("本地规则已是最新"));
    m_recheck = Buttons::symbol(QStringLiteral("arrow.clockwise"), QStringLiteral("重新检查"), m_control);
    m_recheck->setObjectName(QStringLiteral("cloudRuleRecheck"));
    for (QWidget* control : {static_cast<QWidget*>(m_spinner), static_cast<QWidget*>(m_sync),
                             static_cast<QWidget*>(m_upToDate), static_cast<QWidget*>(m_recheck)})
        m_control->addWidget(control);
    m_control->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    layout->addWidget(m_control, 0, Qt::AlignVCenter);

    connect(m_sync, &QPushButton::clicked, &m_model, &Core::RulesPageViewModel::syncFromCloud);
    connect(m_recheck, &QToolButton::clicked, &m_model, &Core::RulesPageViewModel::checkCloud);
    connect(&m_model, &Core::RulesPageViewModel::cloudStateChanged, this, &CloudRuleCard::update);
    update();
}

QString CloudRuleCard::subtitle() const
{
    return m_subtitle->text();
}

QWidget* CloudRuleCard::currentControl() const
{
    return m_control->currentWidget();
}

void CloudRuleCard::update()
{
    m_subtitle->setText(m_model.cloudSubtitle());
    QWidget* shown = m_recheck;
    switch (m_model.cloudControl()) {
    case Control::spinner:
        shown = m_spinner;
        break;
    case Control::syncButton:
        shown = m_sync;
        break;
    case Control::upToDate:
        shown = m_upToDate;
        break;
    case Control::recheckButton:
        shown = m_recheck;
        break;
    }
    m_control->setCurrentWidget(shown);
    m_control->setFixedSize(shown->sizeHint().expandedTo(QSize(20, 20)));
}

} // namespace Sweepora::Ui
