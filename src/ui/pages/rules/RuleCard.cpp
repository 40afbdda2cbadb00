#include "ui/pages/rules/RuleCard.h"

#include "ui/components/AppIcon.h"
#include "ui/components/Buttons.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace Sweepora::Ui {
namespace {

QLabel* label(const QString& text, TextStyle style, bool secondary, QWidget* parent, const char* name)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    // Rule texts come from files and the network: never rich text.
    label->setTextFormat(Qt::PlainText);
    label->setFont(Theme::font(style));
    label->setWordWrap(true);
    if (secondary)
        Theme::makeSecondary(label);
    return label;
}

} // namespace

RuleCard::RuleCard(const Core::CleanupRule& rule, QWidget* parent) : QFrame(parent), m_rule(rule)
{
    setObjectName(QStringLiteral("ruleCard"));
    Theme::makeCard(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(12);

    auto* icon = new AppIcon(rule.packName, 40, this);
    layout->addWidget(icon, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(label(rule.name, TextStyle::headline, false, this, "ruleCardName"));
    if (!rule.description.isEmpty())
        texts->addWidget(label(rule.description, TextStyle::subheadline, true, this, "ruleCardDescription"));
    texts->addWidget(
        label(QStringLiteral("PackName · ") + rule.packName, TextStyle::caption, false, this, "ruleCardPackName"));
    texts->addWidget(label(QString::number(rule.paths.size()) + QStringLiteral(" 个路径"), TextStyle::subheadline,
                           false, this, "ruleCardPathCount"));
    if (!rule.paths.isEmpty())
        texts->addWidget(label(rule.paths.join(QLatin1Char('\n')), TextStyle::caption, true, this, "ruleCardPaths"));
    layout->addLayout(texts, 1);

    auto* edit = Buttons::bordered(QStringLiteral("编辑"), this);
    edit->setObjectName(QStringLiteral("ruleCardEdit"));
    layout->addWidget(edit, 0, Qt::AlignTop);
    connect(edit, &QPushButton::clicked, this, [this] { emit editRequested(m_rule); });
}

} // namespace Sweepora::Ui
