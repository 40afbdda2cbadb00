#include "ui/components/PlaceholderView.h"

#include "ui/components/BusyIndicator.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace Sweepora::Ui {

PlaceholderView::PlaceholderView(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(10);
    layout->addStretch(1);
    m_symbolLabel = new QLabel(this);
    m_symbolLabel->setObjectName(QStringLiteral("placeholderSymbol"));
    m_symbolLabel->setFixedSize(kSymbolSize, kSymbolSize);
    m_spinner = new BusyIndicator(40, this);
    m_spinner->hide();
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("placeholderTitle"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(Theme::font(15, QFont::Medium));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setWordWrap(true);
    m_subtitle = new QLabel(this);
    m_subtitle->setObjectName(QStringLiteral("placeholderSubtitle"));
    m_subtitle->setTextFormat(Qt::PlainText);
    m_subtitle->setAlignment(Qt::AlignCenter);
    m_subtitle->setWordWrap(true);
    Theme::makeSecondary(m_subtitle);
    m_subtitle->hide();
    layout->addWidget(m_symbolLabel, 0, Qt::AlignHCenter);
    layout->addWidget(m_spinner, 0, Qt::AlignHCenter);
    layout->addSpacing(4);
    layout->addWidget(m_title);
    layout->addWidget(m_subtitle);
    layout->addStretch(1);
}

void PlaceholderView::setSymbol(const QString& name)
{
    m_symbol = name;
    updateSymbol();
}

void PlaceholderView::setBusy(bool busy)
{
    m_busy = busy;
    m_spinner->setVisible(busy);
    m_symbolLabel->setVisible(!busy);
}

void PlaceholderView::setTitle(const QString& title)
{
    m_title->setText(title);
}

QString PlaceholderView::title() const
{
    return m_title->text();
}

void PlaceholderView::setSubtitle(const QString& subtitle)
{
    m_subtitle->setText(subtitle);
    m_subtitle->setVisible(!subtitle.isEmpty());
}

QString PlaceholderView::subtitle() const
{
    return m_subtitle->text();
}

void PlaceholderView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        updateSymbol();
}

void PlaceholderView::updateSymbol()
{
    QColor color = Theme::tint(Tint::Blue);
    color.setAlphaF(0.75f);
    m_symbolLabel->setPixmap(Symbols::pixmap(m_symbol, kSymbolSize, color, devicePixelRatioF()));
}

} // namespace Sweepora::Ui
