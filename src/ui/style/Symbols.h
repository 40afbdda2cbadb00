#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include "core/util/FileKind.h"

namespace Sweepora::Ui {

// The interface names its icons by symbol names ("trash", "folder.fill", "doc.text.magnifyingglass");
// this table maps each one to an SVG of the vendored icon set. Icons are tinted when drawn, so a
// palette colour follows light and dark.
class Symbols
{
public:
    // Every symbol name the table knows, sorted.
    static QStringList names();
    static bool contains(const QString& name);
    // The resource path of the SVG for `name`, or an empty string for an unknown name.
    static QString resourcePath(const QString& name);

    // An icon drawn in a palette colour, looked up each time it is drawn (disabled icons use
    // the disabled group). Unknown names give a null icon.
    static QIcon icon(const QString& name, QPalette::ColorRole role = QPalette::WindowText);
    // An icon drawn in a fixed colour (alpha respected).
    static QIcon icon(const QString& name, const QColor& color);

    // The symbol of a row that shows a file of that kind.
    static QString forKind(Core::FileKind kind);

    // The symbol rendered at `size` device-independent pixels in `color`.
    static QPixmap pixmap(const QString& name, int size, const QColor& color, qreal devicePixelRatio = 1.0);
};

} // namespace Sweepora::Ui
