#pragma once

#include <QString>
#include <QtGlobal>

#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace Sweepora::Service {

// One SQLite connection, shared by every request thread. All work on it happens under `lock()`,
// so a multi-statement change is never interleaved with another thread's; other processes (the
// operator commands) are kept apart by SQLite's own file locks and a busy timeout.
class Database
{
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens or creates the file (mode 0600, its folder 0700 when created) and brings the schema
    // up to date. ":memory:" gives a private in-memory database.
    bool open(const QString& path, QString* error);
    bool isOpen() const { return m_db != nullptr; }

    std::unique_lock<std::recursive_mutex> lock() { return std::unique_lock(m_mutex); }
    sqlite3* handle() const { return m_db; }
    QString lastError() const;
    qint64 lastInsertId() const;
    // Rows changed by the last INSERT, UPDATE or DELETE.
    qint64 changes() const;

    // Runs statements without parameters (schema, pragmas, transaction control).
    bool execute(const char* sql);

private:
    friend class Statement;
    // Statements are prepared once and kept: preparing costs more than running most of them.
    // A statement whose kept copy is in use is prepared anew and finalized after use.
    struct KeptStatement
    {
        sqlite3_stmt* statement = nullptr;
        bool inUse = false;
    };
    // `kept` is set to the kept copy's entry when the statement is it, else to null.
    sqlite3_stmt* takeStatement(const char* sql, KeptStatement** kept);
    void giveBack(sqlite3_stmt* statement, KeptStatement* kept);

    // False with `error` set when the schema could not be brought up to date.
    bool migrate(QString* error);

    sqlite3* m_db = nullptr;
    std::recursive_mutex m_mutex;
    std::unordered_map<std::string, KeptStatement> m_statements;
};

// A prepared statement. Every value reaches SQL through a bound parameter, never through the
// text of the statement.
class Statement
{
public:
    Statement(Database& db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isValid() const { return m_stmt != nullptr; }

    // Parameters are numbered from 1, as in SQL's "?1".
    Statement& bind(int index, qint64 value);
    Statement& bind(int index, const QString& value);
    Statement& bind(int index, const std::optional<QString>& value);

    // True while a row is available; `failed()` tells an error from the end of the rows.
    bool next();
    // Runs a statement that returns no rows; true when it completed.
    bool run();
    bool failed() const { return m_failed; }
    // Makes the statement ready to run again with new parameters; a failure stays recorded.
    void reset();

    qint64 int64(int column) const;
    QString text(int column) const;
    std::optional<QString> optionalText(int column) const;

private:
    Database& m_db;
    sqlite3_stmt* m_stmt = nullptr;
    Database::KeptStatement* m_kept = nullptr;
    bool m_failed = false;
};

// BEGIN IMMEDIATE … COMMIT; rolls back when it goes out of scope uncommitted.
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
    bool m_active = false;
};

} // namespace Sweepora::Service
