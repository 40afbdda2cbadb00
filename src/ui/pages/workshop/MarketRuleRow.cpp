#include "ui/pages/workshop/MarketRuleRow.h"

#include "core/services/RuleWorkshopViewModel.h"
#include "ui/components/AppIcon.h"
#include "ui/components/Buttons.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace Sweepora::Ui {
namespace {

QLabel* plainLabel(const QString& text, TextStyle style, QWidget* parent, const char* name)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    // Workshop texts are whatever users uploaded: never rich text.
    label->setTextFormat(Qt::PlainText);
    label->setFont(Theme::font(style));
    return label;
}

} // namespace

MarketRuleRow::MarketRuleRow(const Core::MarketRule& entry, QWidget* parent) : QFrame(parent), m_entry(entry)
{
    setObjectName(QStringLiteral("marketRuleRow"));
    Theme::makeCard(this);
    const Core::RemoteRuleJSON& rule = entry.ruleJSON;
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(12);
    layout->addWidget(new AppIcon(rule.packName, 42, this), 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(6);
    nameRow->addWidget(plainLabel(rule.name, TextStyle::headline, this, "marketRuleName"));
    if (showsUnreviewedBadge()) {
        auto* badge =
            plainLabel(Core::RuleWorkshopViewModel::kUnreviewedBadge, TextStyle::caption2, this, "unreviewedBadge");
        const QColor orange = Theme::tint(Tint::orange);
        QColor fill = orange;
        fill.setAlpha(38);
        badge->setStyleSheet(
            QStringLiteral("QLabel { color: %1; background: %2; border-radius: 4px; padding: 1px 5px; }")
                .arg(orange.name(QColor::HexRgb), fill.name(QColor::HexArgb)));
        nameRow->addWidget(badge);
    }
    nameRow->addStretch(1);
    texts->addLayout(nameRow);
    auto* description = plainLabel(rule.description, TextStyle::subheadline, this, "marketRuleDescription");
    description->setWordWrap(true);
    Theme::makeSecondary(description);
    texts->addWidget(description);
    texts->addWidget(
        plainLabel(Core::RuleWorkshopViewModel::pathCountText(entry), TextStyle::caption, this, "marketRulePathCount"));
    layout->addLayout(texts, 1);

    auto* open = Buttons::bordered(QStringLiteral("查看"), this);
    open->setObjectName(QStringLiteral("marketRuleOpen"));
    layout->addWidget(open, 0, Qt::AlignVCenter);
    connect(open, &QPushButton::clicked, this, &MarketRuleRow::openRequested);
}

bool MarketRuleRow::showsUnreviewedBadge() const
{
    return Core::RuleWorkshopViewModel::showsUnreviewedBadge(m_entry);
}

} // namespace Sweepora::Ui
