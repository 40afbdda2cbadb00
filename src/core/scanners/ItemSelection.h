#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <algorithm>

namespace Sweepora::Core {

// The ticking shared by the scanners' lists. An item has `path` and `selected`; the sums also
// need `size`. Each returns whether the list changed, so the caller knows to publish it.
namespace ItemSelection {

template <class Item> bool toggle(QList<Item>& items, const QString& path)
{
    for (Item& item : items) {
        if (item.path == path) {
            item.selected = !item.selected;
            return true;
        }
    }
    return false;
}

// Ticks all, or clears all when everything is ticked.
template <class Item> bool toggleAll(QList<Item>& items)
{
    if (items.isEmpty())
        return false;
    const bool allSelected = std::all_of(items.cbegin(), items.cend(), [](const Item& i) { return i.selected; });
    for (Item& item : items)
        item.selected = !allSelected;
    return true;
}

template <class Item> QList<Item> selected(const QList<Item>& items)
{
    QList<Item> picked;
    for (const Item& item : items)
        if (item.selected)
            picked.append(item);
    return picked;
}

template <class Item> qint64 selectedSize(const QList<Item>& items)
{
    qint64 sum = 0;
    for (const Item& item : items)
        if (item.selected)
            sum += item.size;
    return sum;
}

template <class Item> qint64 totalSize(const QList<Item>& items)
{
    qint64 sum = 0;
    for (const Item& item : items)
        sum += item.size;
    return sum;
}

// Drops what a clean moved; what failed stays, still ticked.
template <class Item> void removeMoved(QList<Item>& items, const QStringList& moved)
{
    const QSet<QString> gone(moved.cbegin(), moved.cend());
    items.removeIf([&gone](const Item& item) { return gone.contains(item.path); });
}

} // namespace ItemSelection
} // namespace Sweepora::Core
