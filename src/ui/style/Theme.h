#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QApplication;
class QWidget;

namespace Sweepora::Ui {

// Text styles of the interface, in device-independent pixels.
enum class TextStyle {
    largeTitle,
    title,
    title2,
    title3,
    headline,
    body,
    callout,
    subheadline,
    footnote,
    caption,
    caption2
};

// Named colours for symbols and tiles; each has a light and a dark shade.
enum class Tint { accent, blue, purple, orange, indigo, mint, teal, green, red, gray };

// The look of the application: Fusion with a light or a dark palette of our own, a small style
// sheet, and the text styles. Light or dark follows the system palette at start-up.
class Theme
{
public:
    // Chooses light or dark (the environment variable SWEEPORA_THEME=light|dark overrides the
    // system) and applies style, palette, font and style sheet to the application.
    static void apply(QApplication& app);
    static void apply(QApplication& app, bool dark);

    static bool isDark();

    static QColor tint(Tint tint);
    static QColor secondaryText();
    static QColor sidebarBackground();
    static QColor cardBackground();
    static QColor separator();
    static QColor hoverFill();

    static QFont font(TextStyle style);
    // A font of `pixelSize` device-independent pixels (the interface's points).
    static QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);

    // Marks a frame as a card: rounded, filled with the card colour, a hairline border.
    static void makeCard(QWidget* frame);
    // Draws a label in the secondary text colour.
    static void makeSecondary(QWidget* label);

    static QString styleSheet();
};

} // namespace Sweepora::Ui
