#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace Sweepora::Service {

class Database;

// Counts of what a client address or an account did lately, kept in the database. A count over
// a window is estimated from the current and the previous window (the previous one weighted by
// how much of it still overlaps the last `window` milliseconds), so that nobody gets a fresh
// allowance at a window's edge, and each count is one row whatever the traffic.
// Callers hold the database's lock, and usually a transaction that also does the counted work.
class UsageCounters
{
public:
    explicit UsageCounters(Database& db) : m_db(db) {}

    // Whether one more event of `kind` for `subject` keeps within `limit` per `windowMs`
    // (0: ever). Nothing when the database failed.
    std::optional<bool> allows(const QString& kind, const QString& subject, int limit, qint64 windowMs, qint64 now);
    // Counts one event; false when the database failed.
    bool add(const QString& kind, const QString& subject, qint64 windowMs, qint64 now);

private:
    struct Window
    {
        qint64 index = 0;
        qint64 current = 0;
        qint64 previous = 0;
    };
    std::optional<Window> read(const QString& kind, const QString& subject, qint64 windowMs, qint64 now);

    Database& m_db;
};

} // namespace Sweepora::Service
