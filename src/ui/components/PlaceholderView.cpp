#include "ui/components/PlaceholderView.h"

#include "core/access/AccessManager.h"
#include "ui/components/BusyIndicator.h"
#include "ui/components/Buttons.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
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
    // No dead end: where a page says it needs the home grant, the grant is one press away.
    m_grant = Buttons::prominent(QStringLiteral("去授权"), this);
    m_grant->setObjectName(QStringLiteral("grantButton"));
    m_grant->hide();
    layout->addSpacing(6);
    layout->addWidget(m_grant, 0, Qt::AlignHCenter);
    m_cancel = Buttons::bordered(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("placeholderCancel"));
    m_cancel->hide();
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    connect(m_grant, &QPushButton::clicked, this, [this] {
        Core::AccessManager::requestHomeAuthorization([self = QPointer<PlaceholderView>(this)](bool granted) {
            if (self && granted && self->title() == Core::AccessManager::kNeedsHome)
                self->setTitle(QStringLiteral("已获得个人文件夹授权，可以开始扫描"));
        });
    });
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
    m_grant->setVisible(title == Core::AccessManager::kNeedsHome);
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
    QColor color = Theme::tint(Tint::blue);
    color.setAlphaF(0.75f);
    m_symbolLabel->setPixmap(Symbols::pixmap(m_symbol, kSymbolSize, color, devicePixelRatioF()));
}

} // namespace Sweepora::Ui
