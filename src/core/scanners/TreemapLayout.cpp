#include "core/scanners/TreemapLayout.h"

#include <algorithm>
#include <cmath>

namespace Sweepora::Core {
namespace {

struct Item
{
    StorageTree::Index node;
    double area;
    bool aggregate;
    qint64 size;
};

// The worst aspect ratio of a row of `areas` summing to `sum`, laid along a side of `side`.
double worstRatio(double largest, double smallest, double sum, double side)
{
    const double side2 = side * side;
    const double sum2 = sum * sum;
    return std::max(side2 * largest / sum2, sum2 / (side2 * smallest));
}

class Layout
{
public:
    Layout(const StorageTree& tree, const TreemapOptions& options, std::vector<TreemapTile>& tiles)
        : m_tree(tree), m_options(options), m_tiles(tiles)
    {}

    void layOut(StorageTree::Index folder, const QRectF& rect, int depth, StorageTree::Index top)
    {
        const qint64 total = m_tree.node(folder).size;
        if (total <= 0 || rect.width() <= 0 || rect.height() <= 0)
            return;
        const double scale = rect.width() * rect.height() / double(total);
        const double smallest = m_options.smallest * m_options.smallest;
        std::vector<Item> items;
        qint64 small = 0;
        const std::span<const StorageTree::Node> children = m_tree.children(folder);
        for (size_t i = 0; i < children.size(); ++i) {
            const qint64 size = children[i].size;
            if (size <= 0)
                continue;
            if (double(size) * scale < smallest)
                small += size;
            else
                items.push_back({m_tree.childIndex(folder, i), double(size) * scale, false, size});
        }
        if (small > 0)
            items.push_back({folder, double(small) * scale, true, small});
        // The children are sorted larger first; the aggregate may be larger than the last ones.
        std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.area > b.area; });
        squarify(items, rect, folder, depth, top);
    }

private:
    void squarify(const std::vector<Item>& items, QRectF rect, StorageTree::Index folder, int depth,
                  StorageTree::Index top)
    {
        size_t start = 0;
        while (start < items.size()) {
            const double side = std::min(rect.width(), rect.height());
            size_t end = start + 1;
            double sum = items[start].area;
            double worst = worstRatio(items[start].area, items[start].area, sum, side);
            while (end < items.size()) {
                const double next = worstRatio(items[start].area, items[end].area, sum + items[end].area, side);
                if (next > worst)
                    break;
                worst = next;
                sum += items[end].area;
                ++end;
            }
            if (end == items.size())
                sum = rect.width() * rect.height(); // the last row takes what rounding left
            rect = placeRow(items, start, end, sum, rect, folder, depth, top);
            start = end;
        }
    }

    // Lays items[start, end) along the shorter side of `rect`; returns what is left of it.
    QRectF placeRow(const std::vector<Item>& items, size_t start, size_t end, double sum, const QRectF& rect,
                    StorageTree::Index folder, int depth, StorageTree::Index top)
    {
        const bool alongWidth = rect.width() <= rect.height(); // the row runs across the top
        const double length = alongWidth ? rect.width() : rect.height();
        const double thickness = std::min(sum / length, alongWidth ? rect.height() : rect.width());
        double rowSum = 0;
        for (size_t i = start; i < end; ++i)
            rowSum += items[i].area;
        double offset = 0;
        for (size_t i = start; i < end; ++i) {
            const double extent = i + 1 == end ? length - offset : length * items[i].area / rowSum;
            const QRectF tile = alongWidth ? QRectF(rect.left() + offset, rect.top(), extent, thickness)
                                           : QRectF(rect.left(), rect.top() + offset, thickness, extent);
            offset += extent;
            place(items[i], tile, folder, depth, top);
        }
        return alongWidth ? QRectF(rect.left(), rect.top() + thickness, rect.width(), rect.height() - thickness)
                          : QRectF(rect.left() + thickness, rect.top(), rect.width() - thickness, rect.height());
    }

    void place(const Item& item, const QRectF& rect, StorageTree::Index folder, int depth, StorageTree::Index top)
    {
        const StorageTree::Index tileTop = depth == 0 && !item.aggregate ? item.node : top;
        m_tiles.push_back({rect, item.node, folder, tileTop, depth, item.aggregate, item.size});
        if (item.aggregate || !m_tree.node(item.node).isFolder() || depth + 1 > m_options.depth)
            return;
        const double inset = m_options.folderInset;
        const QRectF inner = rect.adjusted(inset, inset + m_options.folderHeader, -inset, -inset);
        if (inner.width() >= m_options.smallest && inner.height() >= m_options.smallest)
            layOut(item.node, inner, depth + 1, tileTop);
    }

    const StorageTree& m_tree;
    const TreemapOptions& m_options;
    std::vector<TreemapTile>& m_tiles;
};

} // namespace

std::vector<TreemapTile> layoutTreemap(const StorageTree& tree, StorageTree::Index folder, const QRectF& bounds,
                                       const TreemapOptions& options)
{
    std::vector<TreemapTile> tiles;
    if (!tree.isValid())
        return tiles;
    Layout(tree, options, tiles).layOut(folder, bounds, 0, folder);
    return tiles;
}

} // namespace Sweepora::Core
