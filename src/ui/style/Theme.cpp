#include "ui/style/Theme.h"

#include "ui/style/AppStyle.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace Sweepora::Ui {
namespace {

// Light or dark is a property of the application object, set where the palette is: the look
// belongs to the application, not to the process.
constexpr char kDarkProperty[] = "sweeporaDark";

struct Shades
{
    QColor light;
    QColor dark;
};

QColor pick(const Shades& s)
{
    return Theme::isDark() ? s.dark : s.light;
}

QString hex(const QColor& c)
{
    if (c.alpha() == 255)
        return c.name(QColor::HexRgb);
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

QPalette makePalette()
{
    const QColor window = pick({QColor(0xF5, 0xF5, 0xF7), QColor(0x1E, 0x1E, 0x20)});
    const QColor base = Theme::cardBackground();
    const QColor text = pick({QColor(0x1D, 0x1D, 0x1F), QColor(0xF2, 0xF2, 0xF7)});
    const QColor secondary = Theme::secondaryText();
    const QColor button = pick({QColor(0xFF, 0xFF, 0xFF), QColor(0x3A, 0x3A, 0x3C)});
    const QColor accent = Theme::tint(Tint::accent);
    const QColor disabledText = pick({QColor(0xB0, 0xB0, 0xB5), QColor(0x63, 0x63, 0x66)});

    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, pick({QColor(0xF0, 0xF0, 0xF3), QColor(0x26, 0x26, 0x29)}));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::PlaceholderText, secondary);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(0xFF, 0x45, 0x3A));
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, accent);
    p.setColor(QPalette::LinkVisited, accent);
    p.setColor(QPalette::ToolTipBase, pick({QColor(0xFF, 0xFF, 0xFF), QColor(0x3A, 0x3A, 0x3C)}));
    p.setColor(QPalette::ToolTipText, text);
    // Fusion draws its bevels from these.
    p.setColor(QPalette::Light, pick({QColor(0xFF, 0xFF, 0xFF), QColor(0x48, 0x48, 0x4A)}));
    p.setColor(QPalette::Midlight, pick({QColor(0xE5, 0xE5, 0xEA), QColor(0x3A, 0x3A, 0x3C)}));
    p.setColor(QPalette::Mid, pick({QColor(0xC7, 0xC7, 0xCC), QColor(0x2C, 0x2C, 0x2E)}));
    p.setColor(QPalette::Dark, pick({QColor(0xA0, 0xA0, 0xA5), QColor(0x18, 0x18, 0x1A)}));
    p.setColor(QPalette::Shadow, pick({QColor(0x80, 0x80, 0x85), QColor(0x00, 0x00, 0x00)}));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Highlight, pick({QColor(0xC7, 0xC7, 0xCC), QColor(0x48, 0x48, 0x4A)}));
    return p;
}

} // namespace

void Theme::apply(QApplication& app)
{
    const QByteArray forced = qgetenv("SWEEPORA_THEME");
    bool dark = false;
    if (forced == "dark")
        dark = true;
    else if (forced != "light")
        // Qt 6.4 has no colour-scheme hint: a dark system window colour means a dark desktop.
        dark = QApplication::palette().color(QPalette::Window).lightness() < 128;
    apply(app, dark);
}

void Theme::apply(QApplication& app, bool dark)
{
    app.setProperty(kDarkProperty, dark);
    if (qobject_cast<AppStyle*>(QApplication::style()) == nullptr)
        QApplication::setStyle(new AppStyle);
    QApplication::setPalette(makePalette());
    QApplication::setFont(font(TextStyle::body));
    app.setStyleSheet(styleSheet());
}

bool Theme::isDark()
{
    return qApp != nullptr && qApp->property(kDarkProperty).toBool();
}

QColor Theme::tint(Tint t)
{
    switch (t) {
    case Tint::accent:
    case Tint::blue:
        return pick({QColor(0x00, 0x7A, 0xFF), QColor(0x0A, 0x84, 0xFF)});
    case Tint::purple:
        return pick({QColor(0xAF, 0x52, 0xDE), QColor(0xBF, 0x5A, 0xF2)});
    case Tint::orange:
        return pick({QColor(0xFF, 0x95, 0x00), QColor(0xFF, 0x9F, 0x0A)});
    case Tint::indigo:
        return pick({QColor(0x58, 0x56, 0xD6), QColor(0x5E, 0x5C, 0xE6)});
    case Tint::mint:
        return pick({QColor(0x00, 0xC7, 0xBE), QColor(0x63, 0xE6, 0xE2)});
    case Tint::teal:
        return pick({QColor(0x30, 0xB0, 0xC7), QColor(0x40, 0xC8, 0xE0)});
    case Tint::green:
        return pick({QColor(0x34, 0xC7, 0x59), QColor(0x30, 0xD1, 0x58)});
    case Tint::red:
        return pick({QColor(0xFF, 0x3B, 0x30), QColor(0xFF, 0x45, 0x3A)});
    case Tint::gray:
        return pick({QColor(0x8E, 0x8E, 0x93), QColor(0x98, 0x98, 0x9D)});
    }
    return QColor(0x8E, 0x8E, 0x93);
}

QColor Theme::secondaryText()
{
    return pick({QColor(0x6E, 0x6E, 0x73), QColor(0x98, 0x98, 0x9D)});
}

QColor Theme::sidebarBackground()
{
    return pick({QColor(0xEB, 0xEB, 0xEF), QColor(0x26, 0x26, 0x29)});
}

QColor Theme::cardBackground()
{
    return pick({QColor(0xFF, 0xFF, 0xFF), QColor(0x2C, 0x2C, 0x2E)});
}

QColor Theme::separator()
{
    return pick({QColor(0xDD, 0xDD, 0xE2), QColor(0x3A, 0x3A, 0x3D)});
}

QColor Theme::hoverFill()
{
    return pick({QColor(0, 0, 0, 14), QColor(255, 255, 255, 18)});
}

QFont Theme::font(int pixelSize, QFont::Weight weight)
{
    QFont f = QApplication::font();
    f.setPixelSize(pixelSize);
#ifndef Q_OS_MACOS
    // The Chinese fonts here come in one weight, and only a bold request makes the renderer
    // embolden them; semibold would set Latin bold beside regular Chinese.
    if (weight == QFont::DemiBold)
        weight = QFont::Bold;
#endif
    f.setWeight(weight);
    return f;
}

QFont Theme::font(TextStyle style)
{
    // Desktop text sizes; the smallest ones are a pixel larger than usual so that Chinese
    // glyphs stay legible.
    switch (style) {
    case TextStyle::largeTitle:
        return font(26);
    case TextStyle::title:
        return font(22);
    case TextStyle::title2:
        return font(17);
    case TextStyle::title3:
        return font(15);
    case TextStyle::headline:
        return font(13, QFont::DemiBold);
    case TextStyle::body:
        return font(13);
    case TextStyle::callout:
        return font(12);
    case TextStyle::subheadline:
        return font(12);
    case TextStyle::footnote:
    case TextStyle::caption:
    case TextStyle::caption2:
        return font(11);
    }
    return font(13);
}

void Theme::makeCard(QWidget* frame)
{
    frame->setProperty("card", true);
    frame->setAttribute(Qt::WA_StyledBackground, true);
}

void Theme::makeSecondary(QWidget* label)
{
    label->setProperty("secondary", true);
}

QString Theme::styleSheet()
{
    const QString accent = hex(tint(Tint::accent));
    const QString accentHover = hex(tint(Tint::accent).lighter(112));
    const QString accentPressed = hex(tint(Tint::accent).darker(115));
    const QString card = hex(cardBackground());
    const QString border = hex(separator());
    const QString secondary = hex(secondaryText());
    const QString hover = hex(hoverFill());
    const QString sidebar = hex(sidebarBackground());
    const bool dark = isDark();
    const QString track = hex(dark ? QColor(0x3A, 0x3A, 0x3C) : QColor(0xE5, 0xE5, 0xEA));
    const QString handle = hex(dark ? QColor(255, 255, 255, 70) : QColor(0, 0, 0, 60));
    const QString disabledAccent = hex(dark ? QColor(0x48, 0x48, 0x4A) : QColor(0xC7, 0xC7, 0xCC));

    QString css = QStringLiteral(R"(
QWidget#sidebar { background: %SIDEBAR%; }
QListView#sidebarList { background: transparent; border: none; outline: none; }
QSplitter::handle { background: %BORDER%; }
QToolBar { border: none; border-bottom: 1px solid %BORDER%; spacing: 8px; padding: 4px 10px; }
QWidget[card="true"] { background: %CARD%; border: 1px solid %BORDER%; border-radius: 12px; }
QWidget[card="true"][hovered="true"] { border: 1px solid %ACCENT%; }
QLabel[secondary="true"] { color: %SECONDARY%; }
QPushButton[accent="true"] {
    background: %ACCENT%; color: white; border: none; border-radius: 12px;
    padding: 14px 20px;
}
QPushButton[accent="true"]:hover { background: %ACCENT_HOVER%; }
QPushButton[accent="true"]:pressed { background: %ACCENT_PRESSED%; }
QPushButton[accent="true"]:disabled { background: %DISABLED_ACCENT%; }
QToolButton[borderless="true"] { border: none; background: transparent; border-radius: 6px; padding: 3px; }
QToolButton[borderless="true"]:hover { background: %HOVER%; }
QToolButton[borderless="true"]:pressed { background: %BORDER%; }
QLineEdit#titlebarSearchField, QLineEdit#nameFilterField {
    border: 1px solid %BORDER%; border-radius: 7px; padding: 3px 8px; background: %CARD%;
}
QLineEdit#titlebarSearchField:focus, QLineEdit#nameFilterField:focus { border: 1px solid %ACCENT%; }
QProgressBar { border: none; border-radius: 3px; background: %TRACK%; max-height: 6px; min-height: 6px; }
QProgressBar::chunk { border-radius: 3px; background: %ACCENT%; }
QScrollArea { border: none; background: transparent; }
QScrollArea > QWidget > QWidget#scrollContent { background: transparent; }
QScrollBar:vertical { background: transparent; width: 10px; margin: 2px; }
QScrollBar::handle:vertical { background: %HANDLE%; border-radius: 3px; min-height: 30px; margin: 0 1px; }
QScrollBar:horizontal { background: transparent; height: 10px; margin: 2px; }
QScrollBar::handle:horizontal { background: %HANDLE%; border-radius: 3px; min-width: 30px; margin: 1px 0; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }
QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }
)");
    css.replace(QLatin1String("%SIDEBAR%"), sidebar)
        .replace(QLatin1String("%BORDER%"), border)
        .replace(QLatin1String("%CARD%"), card)
        .replace(QLatin1String("%SECONDARY%"), secondary)
        .replace(QLatin1String("%ACCENT_HOVER%"), accentHover)
        .replace(QLatin1String("%ACCENT_PRESSED%"), accentPressed)
        .replace(QLatin1String("%ACCENT%"), accent)
        .replace(QLatin1String("%DISABLED_ACCENT%"), disabledAccent)
        .replace(QLatin1String("%HOVER%"), hover)
        .replace(QLatin1String("%TRACK%"), track)
        .replace(QLatin1String("%HANDLE%"), handle);
    return css;
}

} // namespace Sweepora::Ui
