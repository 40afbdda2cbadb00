#include "ui/pages/about/AboutListRow.h"

#include "ui/style/Symbols.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace Sweepora::Ui {

AboutListRow::AboutListRow(const Content& content, bool actionable, QWidget* parent)
    : QWidget(parent), m_content(content), m_actionable(actionable)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 8, 14, 8);
    layout->setSpacing(10);

    auto* icon = new QLabel(this);
    icon->setFixedSize(38, 38);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(Symbols::pixmap(content.icon, 20, Theme::tint(content.color), devicePixelRatioF()));
    layout->addWidget(icon);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = new QLabel(content.title, this);
    title->setObjectName(QStringLiteral("title"));
    title->setFont(Theme::font(TextStyle::headline));
    auto* subtitle = new QLabel(content.subtitle, this);
    subtitle->setObjectName(QStringLiteral("subtitle"));
    subtitle->setFont(Theme::font(TextStyle::caption));
    Theme::makeSecondary(subtitle);
    texts->addWidget(title);
    texts->addWidget(subtitle);
    layout->addLayout(texts, 1);

    auto* trailing = new QLabel(content.trailingText, this);
    trailing->setObjectName(QStringLiteral("trailingText"));
    trailing->setFont(Theme::font(TextStyle::callout));
    Theme::makeSecondary(trailing);
    layout->addWidget(trailing);

    if (content.showsChevron) {
        auto* chevron = new QLabel(this);
        chevron->setObjectName(QStringLiteral("chevron"));
        chevron->setPixmap(
            Symbols::pixmap(QStringLiteral("chevron.right"), 12, Theme::secondaryText(), devicePixelRatioF()));
        layout->addWidget(chevron);
    }

    if (m_actionable) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::StrongFocus);
    }
}

void AboutListRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_actionable && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

void AboutListRow::keyPressEvent(QKeyEvent* event)
{
    if (m_actionable && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return)) {
        emit clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace Sweepora::Ui
