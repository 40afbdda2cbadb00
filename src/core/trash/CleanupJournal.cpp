#include "core/trash/CleanupJournal.h"

#include "core/fs/PrivateFolders.h"
#include "core/fs/UniqueFd.h"
#include "core/platform/Context.h"
#include "core/platform/Log.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"
#include "core/trash/FreedesktopTrash.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <cerrno>
#include <csignal>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Core {
namespace {

constexpr int kBusyTimeoutMs = 10000;
// The Trash numbers a taken name ".2" to ".64" before it turns to random suffixes.
constexpr int kNumberedNames = 64;

constexpr char kSchema[] = R"(
CREATE TABLE IF NOT EXISTS batches(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  time INTEGER NOT NULL,
  section TEXT NOT NULL,
  owner INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS items(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  batch INTEGER NOT NULL REFERENCES batches(id) ON DELETE CASCADE,
  path BLOB NOT NULL,
  trash BLOB,
  size INTEGER NOT NULL,
  device INTEGER NOT NULL,
  inode INTEGER NOT NULL,
  state INTEGER NOT NULL,
  error TEXT);
CREATE INDEX IF NOT EXISTS items_batch ON items(batch);
CREATE INDEX IF NOT EXISTS items_state ON items(state);
)";

// A prepared statement that finalizes itself.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql)
    {
        if (db)
            sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool valid() const { return m_stmt != nullptr; }
    void bind(int i, qint64 v) { sqlite3_bind_int64(m_stmt, i, v); }
    void bind(int i, const QByteArray& v)
    {
        if (v.isNull())
            sqlite3_bind_null(m_stmt, i);
        else
            sqlite3_bind_blob(m_stmt, i, v.constData(), int(v.size()), SQLITE_TRANSIENT);
    }
    void bind(int i, const QString& v)
    {
        if (v.isNull()) {
            sqlite3_bind_null(m_stmt, i);
        } else {
            const QByteArray utf8 = v.toUtf8();
            sqlite3_bind_text(m_stmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
    }
    bool step() { return m_stmt && sqlite3_step(m_stmt) == SQLITE_ROW; }
    bool run()
    {
        if (!m_stmt)
            return false;
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        return rc == SQLITE_DONE;
    }
    qint64 integer(int i) const { return sqlite3_column_int64(m_stmt, i); }
    QByteArray blob(int i) const
    {
        if (sqlite3_column_type(m_stmt, i) == SQLITE_NULL)
            return {};
        const auto* data = static_cast<const char*>(sqlite3_column_blob(m_stmt, i));
        return QByteArray(data ? data : "", sqlite3_column_bytes(m_stmt, i));
    }
    QString text(int i) const
    {
        if (sqlite3_column_type(m_stmt, i) == SQLITE_NULL)
            return {};
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i)),
                                 sqlite3_column_bytes(m_stmt, i));
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

bool exec(sqlite3* db, const char* sql)
{
    return db && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool processIsGone(qint64 pid)
{
    if (pid <= 0)
        return true;
    if (pid == ::getpid())
        return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

CleanupJournal::Entry entryFrom(const Statement& s)
{
    CleanupJournal::Entry e;
    e.id = s.integer(0);
    e.batch = s.integer(1);
    e.path = s.blob(2);
    e.trash = s.blob(3);
    e.size = s.integer(4);
    e.device = quint64(s.integer(5));
    e.inode = quint64(s.integer(6));
    e.state = CleanupJournal::State(s.integer(7));
    e.error = s.text(8);
    return e;
}

constexpr char kEntryColumns[] = "SELECT id, batch, path, trash, size, device, inode, state, error FROM items ";

QByteArray baseName(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

bool isFile(const QByteArray& path, quint64 device, quint64 inode)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && quint64(st.st_dev) == device && quint64(st.st_ino) == inode;
}

} // namespace

CleanupJournal::CleanupJournal(const QString& file)
{
    // Its folder is in the data home: made private to the user, as the Trash makes it.
    const UniqueFd folder(openOrMakePrivateFolders(bytesFromPath(QFileInfo(file).absolutePath())));
    if (sqlite3_open_v2(bytesFromPath(file).constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        Log::line(QStringLiteral("[Journal] 无法打开清理记录：") + file + QStringLiteral("，") + m_error);
        return;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // WAL lets the GUI read while the command line writes; NORMAL syncs at checkpoints only,
    // which keeps a row per item cheap and still survives a killed process.
    if (!exec(m_db, "PRAGMA journal_mode=WAL") || !exec(m_db, "PRAGMA synchronous=NORMAL") ||
        !exec(m_db, "PRAGMA foreign_keys=ON") || !exec(m_db, kSchema)) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        Log::line(QStringLiteral("[Journal] 无法打开清理记录：") + file + QStringLiteral("，") + m_error);
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

CleanupJournal::~CleanupJournal()
{
    sqlite3_close(m_db);
}

bool CleanupJournal::isOpen() const
{
    return m_db != nullptr;
}

QString CleanupJournal::lastError() const
{
    QMutexLocker lock(&m_mutex);
    return m_error;
}

qint64 CleanupJournal::beginBatch(const QString& section, const QDateTime& time)
{
    QMutexLocker lock(&m_mutex);
    Statement s(m_db, "INSERT INTO batches(time, section, owner) VALUES(?, ?, ?)");
    s.bind(1, time.toMSecsSinceEpoch());
    s.bind(2, section);
    s.bind(3, qint64(::getpid()));
    if (!s.run())
        return 0;
    return sqlite3_last_insert_rowid(m_db);
}

void CleanupJournal::dropIfEmpty(qint64 batch)
{
    QMutexLocker lock(&m_mutex);
    Statement s(m_db, "DELETE FROM batches WHERE id = ? AND NOT EXISTS "
                      "(SELECT 1 FROM items WHERE batch = ? AND state NOT IN (0, 2))");
    s.bind(1, batch);
    s.bind(2, batch);
    s.run();
}

QList<qint64> CleanupJournal::addPending(qint64 batch, const QList<Pending>& items)
{
    QList<qint64> ids;
    QMutexLocker lock(&m_mutex);
    if (!m_db || batch <= 0)
        return ids;
    exec(m_db, "BEGIN IMMEDIATE");
    Statement s(m_db, "INSERT INTO items(batch, path, size, device, inode, state) VALUES(?, ?, ?, ?, ?, 0)");
    ids.reserve(items.size());
    for (const Pending& item : items) {
        s.bind(1, batch);
        s.bind(2, item.path);
        s.bind(3, item.size);
        s.bind(4, qint64(item.device));
        s.bind(5, qint64(item.inode));
        ids.append(s.run() ? sqlite3_last_insert_rowid(m_db) : 0);
    }
    if (!exec(m_db, "COMMIT")) {
        exec(m_db, "ROLLBACK");
        ids.fill(0);
    }
    return ids;
}

void CleanupJournal::complete(const QList<Completion>& items)
{
    QMutexLocker lock(&m_mutex);
    if (!m_db)
        return;
    exec(m_db, "BEGIN IMMEDIATE");
    Statement s(m_db, "UPDATE items SET state = ?, trash = COALESCE(?, trash), error = ? WHERE id = ?");
    for (const Completion& item : items) {
        if (item.id <= 0)
            continue;
        s.bind(1, qint64(item.state));
        s.bind(2, item.trash);
        s.bind(3, item.error);
        s.bind(4, item.id);
        s.run();
    }
    if (!exec(m_db, "COMMIT"))
        exec(m_db, "ROLLBACK");
}

QList<CleanupJournal::Batch> CleanupJournal::batches(int limit) const
{
    QList<Batch> out;
    QMutexLocker lock(&m_mutex);
    // Moved at some time: in the Trash now, restored, emptied or gone.
    Statement s(m_db, "SELECT b.id, b.time, b.section, COUNT(i.id), COALESCE(SUM(i.size), 0), "
                      "COALESCE(SUM(i.state = 1), 0) FROM batches b JOIN items i ON i.batch = b.id "
                      "AND i.state IN (1, 3, 4, 5) GROUP BY b.id ORDER BY b.id DESC LIMIT ?");
    s.bind(1, qint64(limit));
    while (s.step()) {
        Batch b;
        b.id = s.integer(0);
        b.time = QDateTime::fromMSecsSinceEpoch(s.integer(1));
        b.section = s.text(2);
        b.count = s.integer(3);
        b.size = s.integer(4);
        b.inTrash = s.integer(5);
        out.append(b);
    }
    return out;
}

std::optional<CleanupJournal::Batch> CleanupJournal::batch(qint64 id) const
{
    QMutexLocker lock(&m_mutex);
    Statement s(m_db, "SELECT b.id, b.time, b.section, COUNT(i.id), COALESCE(SUM(i.size), 0), "
                      "COALESCE(SUM(i.state = 1), 0) FROM batches b JOIN items i ON i.batch = b.id "
                      "AND i.state IN (1, 3, 4, 5) WHERE b.id = ? GROUP BY b.id");
    s.bind(1, id);
    if (!s.step())
        return std::nullopt;
    Batch b;
    b.id = s.integer(0);
    b.time = QDateTime::fromMSecsSinceEpoch(s.integer(1));
    b.section = s.text(2);
    b.count = s.integer(3);
    b.size = s.integer(4);
    b.inTrash = s.integer(5);
    return b;
}

QList<CleanupJournal::Entry> CleanupJournal::entries(qint64 batch) const
{
    QList<Entry> out;
    QMutexLocker lock(&m_mutex);
    Statement s(m_db,
                (QByteArray(kEntryColumns) + "WHERE batch = ? AND state IN (1, 3, 4, 5) ORDER BY id").constData());
    s.bind(1, batch);
    while (s.step())
        out.append(entryFrom(s));
    return out;
}

QList<CleanupJournal::Entry> CleanupJournal::entriesInTrash() const
{
    QList<Entry> out;
    QMutexLocker lock(&m_mutex);
    Statement s(m_db, (QByteArray(kEntryColumns) + "WHERE state = 1 ORDER BY id").constData());
    while (s.step())
        out.append(entryFrom(s));
    return out;
}

void CleanupJournal::settlePending(const QList<QByteArray>& trashFolders)
{
    QList<Entry> pending;
    QSet<QByteArray> folders(trashFolders.begin(), trashFolders.end());
    {
        QMutexLocker lock(&m_mutex);
        Statement s(m_db, "SELECT i.id, i.batch, i.path, i.trash, i.size, i.device, i.inode, i.state, i.error, "
                          "b.owner FROM items i JOIN batches b ON b.id = i.batch WHERE i.state = 0");
        QHash<qint64, bool> gone;
        while (s.step()) {
            const qint64 owner = s.integer(9);
            auto it = gone.find(owner);
            if (it == gone.end())
                it = gone.insert(owner, processIsGone(owner));
            if (*it)
                pending.append(entryFrom(s));
        }
        if (pending.isEmpty())
            return;
        Statement t(m_db, "SELECT DISTINCT trash FROM items WHERE state = 1");
        while (t.step())
            folders.insert(folderOf(t.blob(0)));
    }
    QList<Completion> settled;
    for (const Entry& e : pending) {
        Completion c{e.id, State::gone, {}, QStringLiteral("清理中断，项目已不在原处")};
        if (isFile(e.path, e.device, e.inode)) {
            c = {e.id, State::stayed, {}, QStringLiteral("清理中断，项目仍在原处")};
        } else {
            const QByteArray name = baseName(e.path);
            for (const QByteArray& folder : std::as_const(folders)) {
                for (int attempt = 0; attempt < kNumberedNames && c.state == State::gone; ++attempt) {
                    const QByteArray candidate = folder + '/' + FreedesktopTrash::candidateName(name, attempt, 255);
                    if (isFile(candidate, e.device, e.inode))
                        c = {e.id, State::inTrash, candidate, {}};
                }
            }
        }
        settled.append(c);
    }
    complete(settled);
}

QString CleanupJournal::fileFor(const QString& applicationSupport)
{
    return applicationSupport + QStringLiteral("/journal.sqlite");
}

std::shared_ptr<CleanupJournal> CleanupJournal::current()
{
    return Context::current().journal();
}

} // namespace Sweepora::Core
