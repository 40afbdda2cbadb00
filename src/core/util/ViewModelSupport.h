#pragma once

#include <QList>
#include <QtGlobal>

#include <algorithm>
#include <utility>

// What the view models with a ticked list share: results with a key field, `size` and `selected`,
// and published values that signal only when they change.
namespace Sweepora::Core::ViewModelSupport {

template <class R> qint64 totalSize(const QList<R>& results)
{
    qint64 sum = 0;
    for (const R& r : results)
        sum += r.size;
    return sum;
}

template <class R> qint64 selectedSize(const QList<R>& results)
{
    qint64 sum = 0;
    for (const R& r : results)
        if (r.selected)
            sum += r.size;
    return sum;
}

// How many of the results at `rows` are ticked.
template <class R> qsizetype selectedCount(const QList<R>& results, const QList<qsizetype>& rows)
{
    return std::count_if(rows.cbegin(), rows.cend(), [&](qsizetype i) { return results[i].selected; });
}

template <class R> QList<R> selected(const QList<R>& results)
{
    QList<R> picked;
    for (const R& r : results)
        if (r.selected)
            picked.append(r);
    return picked;
}

// Flips the tick of the result whose `key` is `value`; false when there is none.
template <class R, class K, class V> bool toggle(QList<R>& results, K R::*key, const V& value)
{
    for (R& r : results) {
        if (r.*key == value) {
            r.selected = !r.selected;
            return true;
        }
    }
    return false;
}

// Ticks all, or none when all are ticked already; false when there is nothing to tick.
template <class R> bool toggleAll(QList<R>& results)
{
    if (results.isEmpty())
        return false;
    const bool allSelected = std::all_of(results.cbegin(), results.cend(), [](const R& r) { return r.selected; });
    for (R& r : results)
        r.selected = !allSelected;
    return true;
}

// The same over the results at `rows` only (those a name filter leaves shown); the others keep
// their ticks.
template <class R> bool toggleAll(QList<R>& results, const QList<qsizetype>& rows)
{
    if (rows.isEmpty())
        return false;
    const bool allSelected = std::all_of(rows.cbegin(), rows.cend(), [&](qsizetype i) { return results[i].selected; });
    for (qsizetype i : rows)
        results[i].selected = !allSelected;
    return true;
}

// The results whose `key` is not in `done` (a clean's completed items), in their order.
template <class R, class K, class Set> QList<R> without(const QList<R>& results, K R::*key, const Set& done)
{
    QList<R> remaining;
    for (const R& r : results)
        if (!done.contains(r.*key))
            remaining.append(r);
    return remaining;
}

// Stores `value`; true when it differs from what was there (the caller then signals).
template <class T, class U> bool assign(T& field, U&& value)
{
    if (field == value)
        return false;
    field = std::forward<U>(value);
    return true;
}

} // namespace Sweepora::Core::ViewModelSupport
