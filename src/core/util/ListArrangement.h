#pragma once

#include "core/util/NameOrder.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Sweepora::Core {

// How the user ordered a result list: as the scan handed it over, by name (A to Z), by size
// (largest first) or by date (newest first, items without one last).
enum class ListSortKey { original, name, size, date };

// The order and the name filter that the user chose for a ticked list. The list itself keeps its
// scan order; this only says which of its items are shown, and where, so that ticks, cleans and
// rescans go on working on the whole list while a filter hides part of it.
struct ListArrangement
{
    ListSortKey key = ListSortKey::original;
    QString nameFilter; // shown: names containing it, ignoring case (blank: all)

    bool isFiltered() const { return !nameFilter.trimmed().isEmpty(); }
    bool showsName(const QString& name) const { return name.contains(nameFilter.trimmed(), Qt::CaseInsensitive); }

    // The indexes into `items` of the items shown, in the order shown. `Item` has `path` and
    // `size`; a `creationDate` (QDateTime) when it can be ordered by date.
    template <class Item> QList<qsizetype> shown(const QList<Item>& items) const;
};

namespace ListArrangementDetail {

template <class Item> qint64 dateOf(const Item& item)
{
    if constexpr (requires { item.creationDate; })
        return item.creationDate.isValid() ? item.creationDate.toMSecsSinceEpoch() : INT64_MIN;
    else
        return INT64_MIN;
}

} // namespace ListArrangementDetail

template <class Item> QList<qsizetype> ListArrangement::shown(const QList<Item>& items) const
{
    const bool filtered = isFiltered();
    std::vector<QString> names;
    QList<qsizetype> rows;
    rows.reserve(items.size());
    for (qsizetype i = 0; i < items.size(); ++i) {
        // Names are taken once per item, not once per comparison.
        QString name = filtered || key == ListSortKey::name ? lastPathComponent(items[i].path) : QString();
        if (filtered && !showsName(name))
            continue;
        rows.append(i);
        if (key == ListSortKey::name)
            names.push_back(std::move(name));
    }
    const auto at = [&](qsizetype place) -> const Item& { return items[rows[place]]; };
    std::vector<qsizetype> places(static_cast<size_t>(rows.size()));
    for (size_t p = 0; p < places.size(); ++p)
        places[p] = static_cast<qsizetype>(p);
    switch (key) {
    case ListSortKey::original:
        return rows;
    case ListSortKey::name:
        std::stable_sort(places.begin(), places.end(), [&](qsizetype a, qsizetype b) {
            return localizedCaseInsensitiveCompare(names[static_cast<size_t>(a)], names[static_cast<size_t>(b)]) < 0;
        });
        break;
    case ListSortKey::size:
        std::stable_sort(places.begin(), places.end(),
                         [&](qsizetype a, qsizetype b) { return at(a).size > at(b).size; });
        break;
    case ListSortKey::date:
        std::stable_sort(places.begin(), places.end(), [&](qsizetype a, qsizetype b) {
            return ListArrangementDetail::dateOf(at(a)) > ListArrangementDetail::dateOf(at(b));
        });
        break;
    }
    QList<qsizetype> ordered;
    ordered.reserve(rows.size());
    for (qsizetype p : places)
        ordered.append(rows[p]);
    return ordered;
}

} // namespace Sweepora::Core
