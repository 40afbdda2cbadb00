#pragma once

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <memory>
#include <optional>

namespace Sweepora::Service {

// The service's database: an SQLite file (the default, one process serves) or a PostgreSQL
// database (several instances share it), chosen by the address given to `open`. Both hold the
// same schema, brought up to date by the same numbered migrations, and run the same statements.
//
// Work happens in sessions: `lock()` gives this thread the database until the session ends —
// on SQLite the one shared connection under a process-wide lock (other processes are kept apart
// by SQLite's file locks), on PostgreSQL a connection of a bounded pool, so requests run side by
// side. Sessions nest on one thread; statements and transactions open one of their own.
class Database
{
public:
    enum class Kind { sqlite, postgresql };
    static constexpr int kSchemaVersion = 3;
    static constexpr int kDefaultPoolSize = 8;

    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // "postgresql://…" or "postgres://…" (a libpq connection URI) names a PostgreSQL database.
    static bool isPostgresAddress(const QString& address);

    // Opens or creates the database and brings the schema up to date. An SQLite file is created
    // with mode 0600 (its folder 0700); ":memory:" gives a private in-memory database.
    // `poolSize` bounds PostgreSQL's connections.
    bool open(const QString& address, QString* error, int poolSize = kDefaultPoolSize);
    bool isOpen() const;
    Kind kind() const;

    class Session
    {
    public:
        Session(Session&& other) noexcept;
        ~Session();
        Session(const Session&) = delete;
        Session& operator=(const Session&) = delete;
        // False when no connection could be had (every pooled one busy for too long, or the
        // server out of reach); statements then fail.
        bool isValid() const { return m_valid; }

    private:
        friend class Database;
        explicit Session(Database& db);
        Database* m_db;
        bool m_valid = false;
    };
    Session lock() { return Session(*this); }

    // The last error of this thread's connection.
    QString lastError() const;

    // Runs statements without parameters (schema, transaction control).
    bool execute(const char* sql);

    // Within a transaction, waits until no other transaction holds `key` and holds it until the
    // end of this one. SQLite's writing transactions already run one at a time; on PostgreSQL
    // this keeps read-then-write work on one subject (a count, an account's code) in order
    // across instances.
    bool lockKey(const QString& key);

    // The schema version the database is at, or nothing when it could not be read.
    std::optional<qint64> schemaVersion();
    // Whether a trivial query round-trips.
    bool healthy();
    // Statements and connections that failed since the start.
    qint64 errorCount() const { return m_errors.load(); }

    class Backend;
    class Cursor;

private:
    friend class Statement;
    friend class Transaction;
    void noteError() { ++m_errors; }
    bool migrate(QString* error);

    std::unique_ptr<Backend> m_backend;
    std::atomic<qint64> m_errors{0};
};

// A prepared statement. Every value reaches SQL through a bound parameter ("?1", "?2" …),
// never through the text of the statement.
class Statement
{
public:
    Statement(Database& db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isValid() const { return m_cursor != nullptr; }

    // Parameters are numbered from 1, as in SQL's "?1".
    Statement& bind(int index, qint64 value);
    Statement& bind(int index, const QString& value);
    Statement& bind(int index, const std::optional<QString>& value);

    // True while a row is available; `failed()` tells an error from the end of the rows.
    bool next();
    // Runs a statement that returns no rows; true when it completed.
    bool run();
    // Runs an INSERT … RETURNING id; nothing when it failed.
    std::optional<qint64> insertedId();
    bool failed() const { return m_failed; }
    // Rows changed by the statement just run.
    qint64 changes() const;
    // Makes the statement ready to run again with new parameters; a failure stays recorded.
    void reset();

    qint64 int64(int column) const;
    QString text(int column) const;
    std::optional<QString> optionalText(int column) const;

private:
    void fail();

    Database& m_db;
    Database::Session m_session;
    std::unique_ptr<Database::Cursor> m_cursor;
    bool m_failed = false;
};

// A writing transaction; rolls back when it goes out of scope uncommitted.
class Transaction
{
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool isActive() const { return m_active; }
    bool commit();

private:
    Database& m_db;
    Database::Session m_session;
    bool m_active = false;
};

} // namespace Sweepora::Service
