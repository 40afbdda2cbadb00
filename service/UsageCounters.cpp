#include "UsageCounters.h"

#include "Database.h"

#include <limits>

namespace Sweepora::Service {

std::optional<UsageCounters::Window> UsageCounters::read(const QString& kind, const QString& subject, qint64 windowMs,
                                                         qint64 now)
{
    const qint64 index = windowMs > 0 ? now / windowMs : 0;
    Statement find(m_db, "SELECT window_index, current, previous FROM usage_counters WHERE kind = ?1 AND subject = ?2");
    find.bind(1, kind).bind(2, subject);
    Window window{index, 0, 0};
    if (find.next()) {
        const qint64 stored = find.int64(0);
        if (stored == index)
            window = {index, find.int64(1), find.int64(2)};
        else if (stored == index - 1)
            window = {index, 0, find.int64(1)};
        // A clock that went back keeps the stored counts rather than forgetting them.
        else if (stored > index)
            window = {stored, find.int64(1), find.int64(2)};
    }
    if (find.failed())
        return std::nullopt;
    return window;
}

std::optional<bool> UsageCounters::allows(const QString& kind, const QString& subject, int limit, qint64 windowMs,
                                          qint64 now)
{
    const std::optional<Window> window = read(kind, subject, windowMs, now);
    if (!window)
        return std::nullopt;
    if (windowMs <= 0)
        return window->current < limit;
    // current + previous × (the part of the previous window still inside the last windowMs),
    // compared in whole numbers.
    const qint64 overlap = windowMs - now % windowMs;
    return window->previous * overlap + window->current * windowMs < qint64(limit) * windowMs;
}

bool UsageCounters::add(const QString& kind, const QString& subject, qint64 windowMs, qint64 now)
{
    const std::optional<Window> window = read(kind, subject, windowMs, now);
    if (!window)
        return false;
    // A row is of no use once its window and the next have passed.
    const qint64 expiresAt = windowMs > 0 ? (window->index + 2) * windowMs : std::numeric_limits<qint64>::max();
    Statement save(m_db, "INSERT INTO usage_counters (kind, subject, window_index, current, previous, expires_at) "
                         "VALUES (?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT (kind, subject) DO UPDATE SET "
                         "window_index = excluded.window_index, current = excluded.current, "
                         "previous = excluded.previous, expires_at = excluded.expires_at");
    save.bind(1, kind)
        .bind(2, subject)
        .bind(3, window->index)
        .bind(4, window->current + 1)
        .bind(5, window->previous)
        .bind(6, expiresAt);
    Statement sweep(m_db, "DELETE FROM usage_counters WHERE expires_at < ?1");
    sweep.bind(1, now);
    return save.run() && sweep.run();
}

} // namespace Sweepora::Service
