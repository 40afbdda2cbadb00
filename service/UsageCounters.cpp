#include "UsageCounters.h"

#include "Database.h"

#include <limits>

namespace Sweepora::Service {

std::optional<UsageCounters::Count> UsageCounters::count(const QString& kind, const QString& subject, int limit,
                                                         qint64 windowMs, qint64 now)
{
    const qint64 index = windowMs > 0 ? now / windowMs : 0;
    // A subject's counts are read together, once per transaction, and its lock is held until the
    // transaction ends, so that another instance's count of the same subject waits for this
    // one's additions. Subjects are taken in the same order by every caller.
    auto rows = m_rows.find(subject);
    if (rows == m_rows.end()) {
        if (!m_db.lockKey(subject))
            return std::nullopt;
        Statement find(m_db, "SELECT kind, window_index, current, previous FROM usage_counters WHERE subject = ?1");
        find.bind(1, subject);
        QHash<QString, Row> read;
        while (find.next())
            read.insert(find.text(0), {find.int64(1), find.int64(2), find.int64(3)});
        if (find.failed())
            return std::nullopt;
        rows = m_rows.insert(subject, read);
    }
    Count count{index, 0, 0};
    if (const auto row = rows->constFind(kind); row != rows->constEnd()) {
        if (row->index == index)
            count = {index, row->current, row->previous, false, true};
        else if (row->index == index - 1)
            count = {index, 0, row->current};
        // A clock that went back keeps the stored counts rather than forgetting them.
        else if (row->index > index)
            count = {row->index, row->current, row->previous};
    }
    if (windowMs <= 0) {
        count.withinLimit = count.current < limit;
    } else {
        // current + previous × (the part of the previous window still inside the last windowMs),
        // compared in whole numbers.
        const qint64 overlap = windowMs - now % windowMs;
        count.withinLimit = count.previous * overlap + count.current * windowMs < qint64(limit) * windowMs;
    }
    return count;
}

bool UsageCounters::add(const QString& kind, const QString& subject, const Count& count, qint64 windowMs)
{
    if (const auto rows = m_rows.find(subject); rows != m_rows.end())
        rows->insert(kind, {count.index, count.current + 1, count.previous});
    // Most events fall in a window that is stored already: only the count changes.
    if (count.stored) {
        Statement bump(m_db, "UPDATE usage_counters SET current = ?3 WHERE subject = ?1 AND kind = ?2");
        bump.bind(1, subject).bind(2, kind).bind(3, count.current + 1);
        return bump.run();
    }
    // A row is of no use once its window and the next have passed.
    const qint64 expiresAt = windowMs > 0 ? (count.index + 2) * windowMs : std::numeric_limits<qint64>::max();
    Statement save(m_db, "INSERT INTO usage_counters (kind, subject, window_index, current, previous, expires_at) "
                         "VALUES (?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT (subject, kind) DO UPDATE SET "
                         "window_index = excluded.window_index, current = excluded.current, "
                         "previous = excluded.previous, expires_at = excluded.expires_at");
    save.bind(1, kind)
        .bind(2, subject)
        .bind(3, count.index)
        .bind(4, count.current + 1)
        .bind(5, count.previous)
        .bind(6, expiresAt);
    return save.run();
}

bool UsageCounters::sweep(qint64 now)
{
    Statement sweep(m_db, "DELETE FROM usage_counters WHERE expires_at < ?1");
    sweep.bind(1, now);
    return sweep.run();
}

} // namespace Sweepora::Service
