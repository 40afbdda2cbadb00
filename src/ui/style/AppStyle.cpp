#include "ui/style/AppStyle.h"

#include "ui/style/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>
#include <QStyleOption>

namespace Sweepora::Ui {

AppStyle::AppStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{}

void AppStyle::drawCheckBox(QPainter* painter, const QRectF& rect, bool checked, bool enabled, bool hovered)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(box, 4, 4);
    QColor accent = Theme::tint(Tint::accent);
    if (!enabled)
        accent.setAlphaF(0.4f);
    if (checked) {
        painter->fillPath(path, accent);
        QPen pen(Qt::white, qMax<qreal>(1.6, box.width() / 9.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter->setPen(pen);
        const qreal w = box.width();
        const qreal h = box.height();
        const QPointF tick[] = {box.topLeft() + QPointF(w * 0.24, h * 0.52),
                                box.topLeft() + QPointF(w * 0.43, h * 0.70),
                                box.topLeft() + QPointF(w * 0.76, h * 0.32)};
        painter->drawPolyline(tick, 3);
    } else {
        painter->fillPath(path, Theme::cardBackground());
        QColor border = hovered && enabled ? accent : Theme::secondaryText();
        if (!hovered)
            border.setAlphaF(enabled ? 0.55f : 0.25f);
        painter->setPen(QPen(border, 1.2));
        painter->drawPath(path);
    }
    painter->restore();
}

void AppStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const
{
    if (element == PE_IndicatorCheckBox || element == PE_IndicatorItemViewItemCheck) {
        const bool checked = option->state & (State_On | State_NoChange);
        const bool enabled = option->state & State_Enabled;
        const bool hovered = option->state & State_MouseOver;
        const int side = qMin(option->rect.width(), option->rect.height());
        const QRectF box(option->rect.x() + (option->rect.width() - side) / 2.0,
                         option->rect.y() + (option->rect.height() - side) / 2.0, side, side);
        drawCheckBox(painter, box, checked, enabled, hovered);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

int AppStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight)
        return 16;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

} // namespace Sweepora::Ui
