#include "ui/window/PageHeader.h"

#include "core/sections/SectionTable.h"
#include "ui/style/Theme.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace Sweepora::Ui {

PageHeader::PageHeader(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pageHeader"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 18, 28, 12);
    layout->setSpacing(4);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("headerTitle"));
    m_title->setTextFormat(Qt::PlainText);
    m_subtitle = new QLabel(this);
    m_subtitle->setObjectName(QStringLiteral("headerSubtitle"));
    m_subtitle->setTextFormat(Qt::PlainText);
    m_subtitle->setFont(Theme::font(TextStyle::body));
    m_subtitle->setWordWrap(true);
    Theme::makeSecondary(m_subtitle);
    layout->addWidget(m_title);
    layout->addWidget(m_subtitle);

    m_animation = new QVariantAnimation(this);
    m_animation->setDuration(kAnimationMs);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { applyProgress(value.toDouble()); });
    applyProgress(0.0);
}

void PageHeader::setSection(const QString& id)
{
    m_title->setText(id);
    m_subtitle->setText(Core::sectionSubtitle(id));
}

void PageHeader::setSubtitle(const QString& text)
{
    m_subtitle->setText(text);
}

QString PageHeader::title() const
{
    return m_title->text();
}

QString PageHeader::subtitle() const
{
    return m_subtitle->text();
}

void PageHeader::setCollapsed(bool collapsed)
{
    if (collapsed == m_collapsed)
        return;
    m_collapsed = collapsed;
    const double target = collapsed ? 1.0 : 0.0;
    if (isVisible()) {
        // Start from wherever a running animation is, so a quick reversal does not jump.
        const double from =
            m_animation->state() == QAbstractAnimation::Running ? m_animation->currentValue().toDouble() : 1.0 - target;
        m_animation->stop();
        m_animation->setStartValue(from);
        m_animation->setEndValue(target);
        m_animation->start();
    } else {
        m_animation->stop();
        applyProgress(target);
    }
    emit collapsedChanged(collapsed);
}

void PageHeader::applyProgress(double progress)
{
    const int size = qRound(kTitleSize + (kCollapsedTitleSize - kTitleSize) * progress);
    m_title->setFont(Theme::font(size, QFont::Bold));
    if (progress >= 1.0) {
        m_subtitle->setVisible(false);
        m_subtitle->setMaximumHeight(QWIDGETSIZE_MAX);
    } else {
        m_subtitle->setVisible(true);
        const int full = m_subtitle->heightForWidth(qMax(1, m_subtitle->width()));
        const int natural = full > 0 ? full : m_subtitle->sizeHint().height();
        m_subtitle->setMaximumHeight(progress <= 0.0 ? QWIDGETSIZE_MAX : qRound(natural * (1.0 - progress)));
    }
}

} // namespace Sweepora::Ui
