#pragma once

#include "core/util/NameOrder.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <numeric>
#include <vector>

namespace Sweepora::Core {

// Sorts items in the shared order of result lists: larger size first, equal sizes by the last
// path component in localized case-insensitive order. `Item` has `path` and `size` members.
// Names are taken once per item, not once per comparison.
template <class Item> void sortBySizeThenName(QList<Item>& items)
{
    std::vector<QString> names;
    names.reserve(static_cast<size_t>(items.size()));
    for (const Item& item : items)
        names.push_back(lastPathComponent(item.path));
    std::vector<qsizetype> order(static_cast<size_t>(items.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return sizeThenNameBefore(items[a].size, names[static_cast<size_t>(a)], items[b].size,
                                  names[static_cast<size_t>(b)]);
    });
    QList<Item> sorted;
    sorted.reserve(items.size());
    for (qsizetype i : order)
        sorted.append(std::move(items[i]));
    items = std::move(sorted);
}

} // namespace Sweepora::Core
