#pragma once

#include <QProxyStyle>

namespace Sweepora::Ui {

// Fusion with our own check boxes: rounded, filled with the accent colour when ticked.
class AppStyle : public QProxyStyle
{
    Q_OBJECT
public:
    AppStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;

    // Draws one check box into `rect` (shared with item delegates that draw their own rows).
    static void drawCheckBox(QPainter* painter, const QRectF& rect, bool checked, bool enabled, bool hovered);
};

} // namespace Sweepora::Ui
