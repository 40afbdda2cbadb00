#pragma once

// Header-only: the support library links no widgets; only GUI tests include this.
#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace Sweepora::Test {

// Saves pictures of the states GUI tests reach, for people to look at: when the environment
// variable SWEEPORA_SCREENSHOTS names a folder, save() grabs the widget to FOLDER/<name>.png.
// Otherwise it does nothing.
struct Screenshots
{
    static QString folder() { return qEnvironmentVariable("SWEEPORA_SCREENSHOTS"); }

    static void save(QWidget* widget, const QString& name)
    {
        const QString dir = folder();
        if (dir.isEmpty() || widget == nullptr)
            return;
        QDir().mkpath(dir);
        if (!widget->isVisible() && widget->isWindow())
            widget->show();
        widget->ensurePolished();
        // Let layouts and deferred geometry settle before the picture.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        widget->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
    }
};

} // namespace Sweepora::Test
