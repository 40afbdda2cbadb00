#include "ui/components/FloatingActionButton.h"

#include "ui/components/ImmediateLongPress.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QShortcut>

namespace Sweepora::Ui {

FloatingActionButton::FloatingActionButton(QWidget* overlayParent) : QPushButton(overlayParent)
{
    setObjectName(QStringLiteral("floatingActionButton"));
    setProperty("accent", true);
    setFont(Theme::font(15, QFont::DemiBold));
    setIconSize(QSize(16, 16));
    setCursor(Qt::PointingHandCursor);
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(18);
    shadow->setOffset(0, 4);
    shadow->setColor(QColor(0, 0, 0, Theme::isDark() ? 110 : 55));
    setGraphicsEffect(shadow);
    if (overlayParent != nullptr) {
        overlayParent->installEventFilter(this);
        // Delete does what the button does when it moves the ticked items away (with the page's
        // own confirmation); the shortcut lives while its page is on screen.
        auto* remove = new QShortcut(QKeySequence::Delete, overlayParent);
        connect(remove, &QShortcut::activated, this, [this] {
            if (isVisible() && isEnabled() && m_symbol == QStringLiteral("trash"))
                click();
        });
    }
    placeInCorner();
}

void FloatingActionButton::setSymbol(const QString& name)
{
    m_symbol = name;
    setIcon(Symbols::icon(name, QColor(Qt::white)));
}

void FloatingActionButton::setContent(const QString& text, const QString& symbol, const QString& toolTip)
{
    setText(text);
    if (symbol != m_symbol)
        setSymbol(symbol);
    setToolTip(toolTip);
    placeInCorner();
}

void FloatingActionButton::setLongPressAction(std::function<void()> action, int minimumDurationMs)
{
    delete m_longPress;
    m_longPress = new ImmediateLongPress(this, std::move(action), minimumDurationMs);
}

bool FloatingActionButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        placeInCorner();
    return QPushButton::eventFilter(watched, event);
}

bool FloatingActionButton::event(QEvent* event)
{
    const bool handled = QPushButton::event(event);
    // A new label changes the width: keep the trailing edge in the corner.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::Show || event->type() == QEvent::Polish)
        placeInCorner();
    return handled;
}

void FloatingActionButton::placeInCorner()
{
    QWidget* page = parentWidget();
    if (page == nullptr)
        return;
    adjustSize();
    move(page->width() - width() - kMargin, page->height() - height() - kMargin);
    raise();
}

} // namespace Sweepora::Ui
