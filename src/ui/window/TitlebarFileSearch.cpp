#include "ui/window/TitlebarFileSearch.h"

#include "ui/style/Symbols.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QVariantAnimation>

namespace Sweepora::Ui {

TitlebarFileSearch::TitlebarFileSearch(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("titlebarFileSearch"));
    // Exactly as wide as button and field: the toolbar must not stretch it.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("titlebarSearchField"));
    m_field->setPlaceholderText(QStringLiteral("搜索文件"));
    m_field->setClearButtonEnabled(true);
    m_field->setFixedWidth(0);
    m_field->setVisible(false);
    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("titlebarSearchButton"));
    m_button->setProperty("borderless", true);
    m_button->setIcon(Symbols::icon(QStringLiteral("magnifyingglass")));
    m_button->setIconSize(QSize(18, 18));
    m_button->setToolTip(QStringLiteral("搜索文件"));
    layout->addWidget(m_field);
    layout->addWidget(m_button);

    m_animation = new QVariantAnimation(this);
    m_animation->setDuration(kAnimationMs);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, m_field,
            [this](const QVariant& width) { m_field->setFixedWidth(width.toInt()); });
    connect(m_animation, &QVariantAnimation::finished, this, [this] {
        if (!m_expanded)
            m_field->setVisible(false);
    });

    connect(m_button, &QToolButton::clicked, this, &TitlebarFileSearch::pressButton);
    connect(m_field, &QLineEdit::returnPressed, this, &TitlebarFileSearch::submit);
    connect(m_field, &QLineEdit::textChanged, this, &TitlebarFileSearch::queryChanged);
}

QString TitlebarFileSearch::query() const
{
    return m_field->text();
}

void TitlebarFileSearch::setQuery(const QString& query)
{
    m_field->setText(query);
}

void TitlebarFileSearch::pressButton()
{
    if (!m_expanded) {
        setExpanded(true);
        // Focus once the field is on screen.
        QTimer::singleShot(0, m_field, [field = m_field] { field->setFocus(Qt::OtherFocusReason); });
        return;
    }
    if (m_field->text().trimmed().isEmpty()) {
        m_field->clearFocus();
        setExpanded(false);
        return;
    }
    submit();
}

void TitlebarFileSearch::focusField()
{
    setExpanded(true);
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void TitlebarFileSearch::submit()
{
    const QString trimmed = m_field->text().trimmed();
    if (trimmed.isEmpty()) {
        m_field->setFocus(Qt::OtherFocusReason);
        return;
    }
    emit submitted(trimmed);
    m_field->clearFocus();
    setExpanded(false);
}

void TitlebarFileSearch::setExpanded(bool expanded)
{
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    m_animation->stop();
    if (expanded)
        m_field->setVisible(true);
    if (!isVisible()) {
        m_field->setFixedWidth(expanded ? kFieldWidth : 0);
        m_field->setVisible(expanded);
        return;
    }
    m_animation->setStartValue(m_field->minimumWidth());
    m_animation->setEndValue(expanded ? kFieldWidth : 0);
    m_animation->start();
}

} // namespace Sweepora::Ui
