#include "ui/style/SymbolIconEngine.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

namespace Sweepora::Ui {
namespace {

// Each file is parsed once. The table is a child of the application object, so it lasts as long
// as anything that draws icons; icons are drawn only on the GUI thread.
class RendererTable : public QObject
{
public:
    static constexpr auto kName = "sweeporaSymbolRenderers";

    explicit RendererTable(QObject* parent) : QObject(parent) { setObjectName(QLatin1StringView(kName)); }

    QSvgRenderer* rendererFor(const QString& path)
    {
        QSvgRenderer*& renderer = m_renderers[path];
        if (renderer == nullptr)
            renderer = new QSvgRenderer(path, this);
        return renderer;
    }

private:
    QHash<QString, QSvgRenderer*> m_renderers;
};

QSvgRenderer* rendererFor(const QString& path)
{
    auto* table = static_cast<RendererTable*>(
        qApp->findChild<QObject*>(QLatin1StringView(RendererTable::kName), Qt::FindDirectChildrenOnly));
    if (table == nullptr)
        table = new RendererTable(qApp);
    return table->rendererFor(path);
}

} // namespace

SymbolIconEngine::SymbolIconEngine(const QString& resourcePath, QPalette::ColorRole role)
    : m_path(resourcePath), m_role(role)
{}

SymbolIconEngine::SymbolIconEngine(const QString& resourcePath, const QColor& color)
    : m_path(resourcePath), m_color(color)
{}

QImage SymbolIconEngine::render(const QString& resourcePath, const QSize& pixels, const QColor& color)
{
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer* renderer = rendererFor(resourcePath);
    if (!renderer->isValid() || pixels.isEmpty())
        return image;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Keep the drawing square and centred whatever the requested box.
    const int side = qMin(pixels.width(), pixels.height());
    const QRectF box((pixels.width() - side) / 2.0, (pixels.height() - side) / 2.0, side, side);
    renderer->render(&p, box);
    // The set draws in currentColor (black here); the shape's coverage takes the tint.
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(image.rect(), color);
    return image;
}

QColor SymbolIconEngine::colorFor(QIcon::Mode mode) const
{
    const QPalette palette = QApplication::palette();
    if (m_color) {
        if (mode != QIcon::Disabled)
            return *m_color;
        QColor faded = *m_color;
        faded.setAlphaF(faded.alphaF() * 0.4f);
        return faded;
    }
    if (mode == QIcon::Disabled)
        return palette.color(QPalette::Disabled, m_role);
    if (mode == QIcon::Selected)
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    return palette.color(QPalette::Active, m_role);
}

void SymbolIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, dpr));
}

QPixmap SymbolIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap SymbolIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale)
{
    const QSize pixels = size * scale;
    const QColor color = colorFor(mode);
    const QString cacheKey = QStringLiteral("sweepora-symbol:%1:%2x%3:%4")
                                 .arg(m_path)
                                 .arg(pixels.width())
                                 .arg(pixels.height())
                                 .arg(color.rgba());
    QPixmap pm;
    if (!QPixmapCache::find(cacheKey, &pm)) {
        pm = QPixmap::fromImage(render(m_path, pixels, color));
        QPixmapCache::insert(cacheKey, pm);
    }
    pm.setDevicePixelRatio(scale);
    return pm;
}

QIconEngine* SymbolIconEngine::clone() const
{
    return new SymbolIconEngine(*this);
}

QString SymbolIconEngine::key() const
{
    return QStringLiteral("SweeporaSymbol");
}

QString SymbolIconEngine::iconName()
{
    return m_path;
}

bool SymbolIconEngine::isNull()
{
    return m_path.isEmpty();
}

} // namespace Sweepora::Ui
