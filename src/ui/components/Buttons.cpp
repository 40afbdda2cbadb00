#include "ui/components/Buttons.h"

#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QPushButton>
#include <QToolButton>

namespace Sweepora::Ui {
namespace {

QString hex(const QColor& color)
{
    return color.name(QColor::HexRgb);
}

} // namespace

QPushButton* Buttons::prominent(const QString& title, QWidget* parent, const QString& symbol)
{
    auto* button = new QPushButton(title, parent);
    const QColor accent = Theme::tint(Tint::accent);
    // The window's accent buttons are the large floating ones; these sit in rows and cards.
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 6px;"
                                         " padding: 5px 12px; }"
                                         "QPushButton:hover { background: %2; }"
                                         "QPushButton:pressed { background: %3; }"
                                         "QPushButton:disabled { background: %4; }")
                              .arg(hex(accent), hex(accent.lighter(112)), hex(accent.darker(115)),
                                   hex(Theme::isDark() ? QColor(0x48, 0x48, 0x4A) : QColor(0xC7, 0xC7, 0xCC))));
    if (!symbol.isEmpty()) {
        button->setIcon(Symbols::icon(symbol, QColor(Qt::white)));
        button->setIconSize(QSize(14, 14));
    }
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QPushButton* Buttons::bordered(const QString& title, QWidget* parent)
{
    auto* button = new QPushButton(title, parent);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QToolButton* Buttons::symbol(const QString& symbol, const QString& tooltip, QWidget* parent, int size)
{
    auto* button = new QToolButton(parent);
    button->setProperty("borderless", true);
    button->setIcon(Symbols::icon(symbol, QPalette::WindowText));
    button->setIconSize(QSize(size, size));
    button->setToolTip(tooltip);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace Sweepora::Ui
