#include "Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Service {
namespace {

constexpr int kSchemaVersion = 2;

// Timestamps are milliseconds since the epoch, UTC. `state` is the review state of a workshop
// entry; the wire's "allow" is derived from it.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS cloud_rules (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    rule_key TEXT NOT NULL UNIQUE,
    rule_json TEXT NOT NULL,
    created_at INTEGER NOT NULL,
    updated_at INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS market_tasks (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    rule_json TEXT NOT NULL,
    state TEXT NOT NULL CHECK (state IN ('approved', 'held', 'rejected')),
    reason TEXT NOT NULL,
    created_at INTEGER NOT NULL,
    updated_at INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS app_versions (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    version TEXT NOT NULL,
    build_number INTEGER NOT NULL UNIQUE,
    download_url TEXT NOT NULL,
    release_notes TEXT NOT NULL,
    force_update INTEGER NOT NULL CHECK (force_update IN (0, 1)),
    minimum_version TEXT,
    status INTEGER NOT NULL,
    created_at INTEGER NOT NULL,
    updated_at INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS verification_codes (
    channel TEXT NOT NULL CHECK (channel IN ('phone', 'email')),
    account TEXT NOT NULL,
    code TEXT NOT NULL,
    sent_at INTEGER NOT NULL,
    expires_at INTEGER NOT NULL,
    failed_checks INTEGER NOT NULL DEFAULT 0,
    used INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (channel, account)
);
)sql";

// Version 2: who uploaded a workshop entry (the client address, for its limits) and who
// approved it (an operator's approvals stay listed whatever is uploaded), and the usage counts
// behind the limits (one subject's counts side by side, so that an upload touches one page).
// Entries approved before were approved by an operator when their review changed them later.
constexpr const char* kToVersion2 = R"sql(
ALTER TABLE market_tasks ADD COLUMN client TEXT NOT NULL DEFAULT '';
ALTER TABLE market_tasks ADD COLUMN reviewed_by TEXT NOT NULL DEFAULT 'auto'
    CHECK (reviewed_by IN ('auto', 'operator'));
UPDATE market_tasks SET reviewed_by = 'operator' WHERE updated_at <> created_at;
DROP INDEX IF EXISTS market_tasks_by_state;
CREATE INDEX market_tasks_listed ON market_tasks (state, reviewed_by, id);
CREATE TABLE usage_counters (
    subject TEXT NOT NULL,
    kind TEXT NOT NULL,
    window_index INTEGER NOT NULL,
    current INTEGER NOT NULL,
    previous INTEGER NOT NULL,
    expires_at INTEGER NOT NULL,
    PRIMARY KEY (subject, kind)
) WITHOUT ROWID;
CREATE INDEX usage_counters_by_expiry ON usage_counters (expires_at);
)sql";

// The database holds accounts and live sign-in codes: only its owner may read it. SQLite gives
// its -wal and -shm files the permissions of the main file.
bool createPrivately(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (info.exists())
        return true;
    const QString folder = info.absolutePath();
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder)) {
            *error = QStringLiteral("无法创建数据库目录 %1").arg(folder);
            return false;
        }
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) {
        *error = QStringLiteral("无法创建数据库文件 %1：%2").arg(path, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    if (fd >= 0)
        ::close(fd);
    return true;
}

} // namespace

Database::~Database()
{
    for (const auto& [sql, kept] : m_statements)
        sqlite3_finalize(kept.statement);
    if (m_db)
        sqlite3_close_v2(m_db);
}

sqlite3_stmt* Database::takeStatement(const char* sql, KeptStatement** kept)
{
    const std::lock_guard guard(m_mutex);
    // Elements of an unordered_map stay where they are when it grows.
    KeptStatement& entry = m_statements[sql];
    *kept = nullptr;
    if (!entry.inUse && entry.statement) {
        entry.inUse = true;
        *kept = &entry;
        return entry.statement;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    if (!entry.inUse) {
        entry = {statement, true};
        *kept = &entry;
    }
    return statement;
}

void Database::giveBack(sqlite3_stmt* statement, KeptStatement* kept)
{
    const std::lock_guard guard(m_mutex);
    if (!kept) {
        sqlite3_finalize(statement);
        return;
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    kept->inUse = false;
}

bool Database::open(const QString& path, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    const bool inMemory = path == QLatin1String(":memory:");
    if (!inMemory && !createPrivately(path, error))
        return false;

    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
        *error = QStringLiteral("无法打开数据库 %1：%2").arg(path, QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_close_v2(db);
        return false;
    }
    m_db = db;
    sqlite3_busy_timeout(m_db, 5000);
    // WAL lets the operator commands read and write while the server runs.
    QString problem;
    if (!execute("PRAGMA foreign_keys = ON") || (!inMemory && !execute("PRAGMA journal_mode = WAL")) ||
        !execute("PRAGMA synchronous = NORMAL") || !migrate(&problem)) {
        *error = QStringLiteral("无法准备数据库 %1：%2").arg(path, problem.isEmpty() ? lastError() : problem);
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return false;
    }
    return true;
}

QString Database::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("数据库未打开");
}

qint64 Database::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

qint64 Database::changes() const
{
    return sqlite3_changes64(m_db);
}

bool Database::execute(const char* sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool Database::migrate(QString* error)
{
    auto guard = lock();
    Transaction transaction(*this);
    if (!transaction.isActive())
        return false;
    qint64 version = 0;
    {
        Statement query(*this, "PRAGMA user_version");
        if (!query.next())
            return false;
        version = query.int64(0);
    }
    if (version > kSchemaVersion) {
        *error = QStringLiteral("数据库由更新版本的服务创建");
        return false; // leave it alone
    }
    if (!execute(kSchema))
        return false;
    if (version < 2 && !execute(kToVersion2))
        return false;
    if (version < kSchemaVersion && !execute("PRAGMA user_version = 2"))
        return false;
    return transaction.commit();
}

Statement::Statement(Database& db, const char* sql) : m_db(db)
{
    m_stmt = db.takeStatement(sql, &m_kept);
    m_failed = m_stmt == nullptr;
}

Statement::~Statement()
{
    if (m_stmt)
        m_db.giveBack(m_stmt, m_kept);
}

Statement& Statement::bind(int index, qint64 value)
{
    if (m_stmt && sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
        m_failed = true;
    return *this;
}

Statement& Statement::bind(int index, const QString& value)
{
    const QByteArray bytes = value.toUtf8();
    if (m_stmt && sqlite3_bind_text64(m_stmt, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT,
                                      SQLITE_UTF8) != SQLITE_OK)
        m_failed = true;
    return *this;
}

Statement& Statement::bind(int index, const std::optional<QString>& value)
{
    if (value)
        return bind(index, *value);
    if (m_stmt && sqlite3_bind_null(m_stmt, index) != SQLITE_OK)
        m_failed = true;
    return *this;
}

bool Statement::next()
{
    if (!m_stmt || m_failed)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        m_failed = true;
    return false;
}

void Statement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

bool Statement::run()
{
    next();
    return !m_failed;
}

qint64 Statement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QString Statement::text(int column) const
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return QString::fromUtf8(bytes, sqlite3_column_bytes(m_stmt, column));
}

std::optional<QString> Statement::optionalText(int column) const
{
    if (sqlite3_column_type(m_stmt, column) == SQLITE_NULL)
        return std::nullopt;
    return text(column);
}

Transaction::Transaction(Database& db) : m_db(db)
{
    m_active = m_db.execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (m_active)
        m_db.execute("ROLLBACK");
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    m_active = false;
    if (m_db.execute("COMMIT"))
        return true;
    m_db.execute("ROLLBACK");
    return false;
}

} // namespace Sweepora::Service
