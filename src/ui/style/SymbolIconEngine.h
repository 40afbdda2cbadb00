#pragma once

#include <QColor>
#include <QIconEngine>
#include <QPalette>
#include <optional>

namespace Sweepora::Ui {

// Draws one monochrome SVG at any size, filled with a fixed colour or with a colour of the
// application palette read at drawing time.
class SymbolIconEngine : public QIconEngine
{
public:
    SymbolIconEngine(const QString& resourcePath, QPalette::ColorRole role);
    SymbolIconEngine(const QString& resourcePath, const QColor& color);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QIconEngine* clone() const override;
    QString key() const override;
    QString iconName() override;
    bool isNull() override;

    // Renders `resourcePath` into a transparent image of `pixels` and fills its shape with `color`.
    static QImage render(const QString& resourcePath, const QSize& pixels, const QColor& color);

private:
    QColor colorFor(QIcon::Mode mode) const;

    QString m_path;
    QPalette::ColorRole m_role = QPalette::WindowText;
    std::optional<QColor> m_color;
};

} // namespace Sweepora::Ui
