#include "ui/window/DetailScrollObserver.h"

#include <QApplication>
#include <QWheelEvent>
#include <cmath>

namespace Sweepora::Ui {

DetailScrollObserver::DetailScrollObserver(QWidget* area) : QObject(area), m_area(area)
{
    qApp->installEventFilter(this);
}

DetailScrollObserver::~DetailScrollObserver()
{
    if (qApp != nullptr)
        qApp->removeEventFilter(this);
}

std::optional<bool> DetailScrollObserver::directionOf(const QWheelEvent& event)
{
    double dx = 0;
    double dy = 0;
    if (!event.pixelDelta().isNull()) {
        dx = event.pixelDelta().x();
        dy = event.pixelDelta().y();
    } else {
        // One notch of a common wheel is 120 eighths of a degree: 15 degrees.
        dx = event.angleDelta().x() / 8.0;
        dy = event.angleDelta().y() / 8.0;
    }
    if (std::abs(dy) > std::abs(dx) && std::abs(dy) > 1.0)
        return dy < 0;
    return std::nullopt;
}

bool DetailScrollObserver::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel || m_area.isNull() || !watched->isWidgetType())
        return false;
    auto* target = static_cast<QWidget*>(watched);
    QWidget* area = m_area.data();
    if (!area->isVisible() || target->window() != area->window())
        return false;
    const auto* wheel = static_cast<QWheelEvent*>(event);
    // Positions are checked globally: the receiver may be any widget of the window.
    if (!area->rect().contains(area->mapFromGlobal(wheel->globalPosition().toPoint())))
        return false;
    if (const std::optional<bool> downward = directionOf(*wheel))
        emit scrolled(*downward);
    return false;
}

} // namespace Sweepora::Ui
