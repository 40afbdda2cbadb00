#include "ui/components/Treemap.h"

#include "core/platform/PathBytes.h"
#include "core/util/ByteCount.h"
#include "ui/style/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace Sweepora::Ui {

using Core::StorageTree;
using Core::TreemapTile;

namespace {

Tint tintOf(Core::FileKind kind)
{
    switch (kind) {
    case Core::FileKind::image:
        return Tint::green;
    case Core::FileKind::video:
        return Tint::purple;
    case Core::FileKind::audio:
        return Tint::orange;
    case Core::FileKind::archive:
    case Core::FileKind::installer:
        return Tint::indigo;
    case Core::FileKind::document:
        return Tint::blue;
    case Core::FileKind::code:
        return Tint::teal;
    default:
        return Tint::gray;
    }
}

} // namespace

Treemap::Treemap(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setMinimumHeight(160);
    setAccessibleName(QStringLiteral("存储分布图"));
}

void Treemap::setTree(std::shared_ptr<const StorageTree> tree, StorageTree::Index folder, const QString& folderPath)
{
    m_tree = std::move(tree);
    m_folder = folder;
    m_folderPath = folderPath;
    m_selected.reset();
    m_hovered = nullptr;
    m_dirty = true;
    update();
}

void Treemap::setSelected(std::optional<StorageTree::Index> child)
{
    if (m_selected == child)
        return;
    m_selected = child;
    update();
}

void Treemap::layOut(const QSize& size)
{
    m_tiles.clear();
    m_parentOf.clear();
    m_hovered = nullptr;
    if (!m_tree || !m_tree->isValid())
        return;
    m_tiles = Core::layoutTreemap(*m_tree, m_folder, QRectF(QPointF(0, 0), QSizeF(size)));
    for (const TreemapTile& tile : m_tiles)
        if (!tile.aggregate && m_tree->node(tile.node).isFolder())
            m_parentOf.insert(tile.node, tile.folder);
}

QColor Treemap::colourOf(const TreemapTile& tile) const
{
    const bool dark = Theme::isDark();
    QColor colour;
    if (tile.aggregate)
        colour = Theme::tint(Tint::gray);
    else if (m_tree->node(tile.node).isFolder())
        colour = dark ? QColor(58, 64, 74) : QColor(214, 222, 234);
    else
        colour = Theme::tint(tintOf(m_tree->node(tile.node).fileKind));
    // Deeper levels a little lighter (darker on a dark theme), so nesting shows.
    const int step = 100 + 8 * tile.depth;
    return dark ? colour.darker(step) : colour.lighter(step);
}

QImage Treemap::render(const QSize& size)
{
    layOut(size);
    QImage image(size * devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatioF());
    image.fill(Theme::cardBackground());
    QPainter painter(&image);
    const QColor edge = Theme::cardBackground();
    painter.setPen(QPen(edge, 0));
    for (const TreemapTile& tile : m_tiles) {
        painter.setBrush(colourOf(tile));
        if (tile.rect.width() >= 3 && tile.rect.height() >= 3)
            painter.drawRect(tile.rect);
        else
            painter.fillRect(tile.rect, colourOf(tile));
    }
    // The names of the listed rows that have room for them.
    painter.setFont(Theme::font(TextStyle::caption));
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(painter.font());
    for (const TreemapTile& tile : m_tiles) {
        if (tile.depth != 0 || tile.aggregate || tile.rect.width() < 48 || tile.rect.height() < metrics.height() + 4)
            continue;
        const std::string_view name = m_tree->name(tile.node);
        const QString text = Core::pathFromBytes(QByteArray(name.data(), qsizetype(name.size())));
        const QRectF band(tile.rect.left() + 4, tile.rect.top() + 2, tile.rect.width() - 8, metrics.height());
        painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(text, Qt::ElideMiddle, int(band.width())));
    }
    return image;
}

void Treemap::paintEvent(QPaintEvent*)
{
    if (m_dirty || m_image.deviceIndependentSize().toSize() != size()) {
        m_image = render(size());
        m_dirty = false;
    }
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), m_image);
    QPen pen(Theme::tint(Tint::accent), 2);
    painter.setBrush(Qt::NoBrush);
    for (const TreemapTile& tile : m_tiles) {
        if (tile.depth != 0)
            continue;
        if (m_selected && tile.node == *m_selected && !tile.aggregate) {
            painter.setPen(pen);
            painter.drawRect(tile.rect.adjusted(1, 1, -1, -1));
        }
    }
    if (m_hovered != nullptr) {
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
        painter.drawRect(m_hovered->rect.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void Treemap::resizeEvent(QResizeEvent* event)
{
    m_dirty = true;
    QWidget::resizeEvent(event);
}

const TreemapTile* Treemap::tileAt(const QPointF& point) const
{
    // Children come after their folders, so the last tile that holds the point is the innermost.
    for (auto it = m_tiles.rbegin(); it != m_tiles.rend(); ++it)
        if (it->rect.contains(point))
            return &*it;
    return nullptr;
}

QString Treemap::pathOf(StorageTree::Index node, StorageTree::Index folder) const
{
    QStringList names;
    const auto nameOf = [this](StorageTree::Index i) {
        const std::string_view name = m_tree->name(i);
        return Core::pathFromBytes(QByteArray(name.data(), qsizetype(name.size())));
    };
    if (node == m_folder)
        return m_folderPath;
    names.append(nameOf(node));
    for (StorageTree::Index at = folder; at != m_folder; at = m_parentOf.value(at, m_folder))
        names.prepend(nameOf(at));
    const QString base = m_folderPath.endsWith(QLatin1Char('/')) ? m_folderPath : m_folderPath + QLatin1Char('/');
    return base + names.join(QLatin1Char('/'));
}

QString Treemap::describe(const TreemapTile& tile) const
{
    if (!m_tree)
        return {};
    if (tile.aggregate)
        return QStringLiteral("%1 中的小文件 · %2")
            .arg(pathOf(tile.node, m_parentOf.value(tile.node, m_folder)), Core::formattedByteCount(tile.size));
    return pathOf(tile.node, tile.folder) + QStringLiteral(" · ") + Core::formattedByteCount(tile.size);
}

void Treemap::mouseMoveEvent(QMouseEvent* event)
{
    const TreemapTile* tile = tileAt(event->position());
    if (tile != m_hovered) {
        m_hovered = tile;
        update();
    }
    if (tile != nullptr)
        QToolTip::showText(event->globalPosition().toPoint(), describe(*tile), this);
    else
        QToolTip::hideText();
}

void Treemap::leaveEvent(QEvent* event)
{
    m_hovered = nullptr;
    update();
    QWidget::leaveEvent(event);
}

void Treemap::mouseReleaseEvent(QMouseEvent* event)
{
    const TreemapTile* tile = tileAt(event->position());
    if (event->button() != Qt::LeftButton || tile == nullptr || (tile->depth == 0 && tile->aggregate))
        return;
    const StorageTree::Index child = tile->top;
    if (m_tree->node(child).isFolder())
        emit folderActivated(child);
    else
        emit entryClicked(child);
}

} // namespace Sweepora::Ui
