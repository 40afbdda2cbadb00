#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace Sweepora::Service {

class Database;

// Counts of what a client address or an account did lately, kept in the database. A count over
// a window is estimated from the current and the previous window (the previous one weighted by
// how much of it still overlaps the last `windowMs`), so that nobody gets a fresh allowance at a
// window's edge, and each count is one row whatever the traffic.
// Callers hold the database's lock, and usually a transaction that also does the counted work;
// one object serves one transaction.
class UsageCounters
{
public:
    explicit UsageCounters(Database& db) : m_db(db) {}

    struct Count
    {
        qint64 index = 0; // of the current window
        qint64 current = 0;
        qint64 previous = 0;
        bool withinLimit = false; // one more event keeps within the limit
        bool stored = false;      // the row holds this window already
    };
    // The count of `kind` for `subject` against `limit` per `windowMs` (0: ever). Nothing when
    // the database failed.
    std::optional<Count> count(const QString& kind, const QString& subject, int limit, qint64 windowMs, qint64 now);
    // Adds one event to a count just read; false when the database failed.
    bool add(const QString& kind, const QString& subject, const Count& count, qint64 windowMs);
    // Forgets counts whose windows have passed.
    bool sweep(qint64 now);

private:
    Database& m_db;
    struct Row
    {
        qint64 index = 0;
        qint64 current = 0;
        qint64 previous = 0;
    };
    QHash<QString, QHash<QString, Row>> m_rows; // by subject, then kind: as this transaction sees them
};

} // namespace Sweepora::Service
