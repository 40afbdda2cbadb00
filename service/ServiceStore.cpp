#include "ServiceStore.h"

#include "Database.h"
#include "UsageCounters.h"
#include "core/platform/Log.h"

#include <QJsonDocument>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>
#include <limits>

namespace Sweepora::Service {
namespace {

QString compact(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::optional<Core::RemoteRuleJSON> storedRule(const QString& text)
{
    const Core::Decoded<Core::RemoteRuleJSON> decoded = Core::RemoteRuleJSON::fromJson(text.toUtf8());
    return decoded.value;
}

constexpr const char* kVersionColumns = "id, version, build_number, download_url, release_notes, force_update, "
                                        "minimum_version, status, created_at, updated_at";

VersionRecord versionFrom(const Statement& row)
{
    VersionRecord v;
    v.id = row.int64(0);
    v.version = row.text(1);
    v.buildNumber = row.int64(2);
    v.downloadURL = row.text(3);
    v.releaseNotes = row.text(4);
    v.forceUpdate = row.int64(5) == 1;
    v.minimumVersion = row.optionalText(6);
    v.status = row.int64(7);
    v.createdAt = row.int64(8);
    v.updatedAt = row.int64(9);
    return v;
}

} // namespace

QString reviewStateName(ReviewState state)
{
    switch (state) {
    case ReviewState::approved:
        return QStringLiteral("approved");
    case ReviewState::held:
        return QStringLiteral("held");
    case ReviewState::rejected:
        return QStringLiteral("rejected");
    }
    return {};
}

std::optional<ReviewState> reviewStateFromName(const QString& name)
{
    for (ReviewState state : {ReviewState::approved, ReviewState::held, ReviewState::rejected})
        if (reviewStateName(state) == name)
            return state;
    return std::nullopt;
}

void ServiceStore::logFailure(const char* what) const
{
    Core::Log::line(QStringLiteral("[Store] %1 失败：%2").arg(QString::fromUtf8(what), m_db.lastError()));
}

std::optional<QList<PublishedRule>> ServiceStore::publishedRules()
{
    auto guard = m_db.lock();
    Statement query(m_db, "SELECT id, rule_json, created_at, updated_at FROM cloud_rules ORDER BY id");
    QList<PublishedRule> rules;
    while (query.next()) {
        // A row that no longer decodes (edited by hand) is left out rather than failing the list.
        const std::optional<Core::RemoteRuleJSON> rule = storedRule(query.text(1));
        if (!rule)
            continue;
        rules.append({query.int64(0), *rule, query.int64(2), query.int64(3)});
    }
    if (query.failed()) {
        logFailure("读取云端规则");
        return std::nullopt;
    }
    return rules;
}

std::optional<qint64> ServiceStore::publishRule(const Core::RemoteRuleJSON& rule, qint64 now, bool* replaced)
{
    auto guard = m_db.lock();
    Transaction transaction(m_db);
    const QString key = rule.packName + rule.name;
    std::optional<qint64> existing;
    {
        Statement find(m_db, "SELECT id FROM cloud_rules WHERE rule_key = ?1");
        find.bind(1, key);
        if (find.next())
            existing = find.int64(0);
        if (find.failed() || !transaction.isActive()) {
            logFailure("发布规则");
            return std::nullopt;
        }
    }
    qint64 id = 0;
    if (existing) {
        Statement update(m_db, "UPDATE cloud_rules SET rule_json = ?1, updated_at = ?2 WHERE id = ?3");
        update.bind(1, compact(rule.toJsonObject())).bind(2, now).bind(3, *existing);
        if (!update.run()) {
            logFailure("发布规则");
            return std::nullopt;
        }
        id = *existing;
    } else {
        Statement insert(m_db, "INSERT INTO cloud_rules (rule_key, rule_json, created_at, updated_at) "
                               "VALUES (?1, ?2, ?3, ?3) RETURNING id");
        insert.bind(1, key).bind(2, compact(rule.toJsonObject())).bind(3, now);
        const std::optional<qint64> inserted = insert.insertedId();
        if (!inserted) {
            logFailure("发布规则");
            return std::nullopt;
        }
        id = *inserted;
    }
    if (!transaction.commit()) {
        logFailure("发布规则");
        return std::nullopt;
    }
    if (replaced)
        *replaced = existing.has_value();
    return id;
}

ServiceStore::Change ServiceStore::unpublishRule(qint64 id)
{
    auto guard = m_db.lock();
    Statement remove(m_db, "DELETE FROM cloud_rules WHERE id = ?1");
    remove.bind(1, id);
    if (!remove.run()) {
        logFailure("撤下规则");
        return Change::failed;
    }
    return remove.changes() > 0 ? Change::done : Change::notFound;
}

std::optional<WorkshopEntry> ServiceStore::WorkshopRow::decoded() const
{
    const std::optional<Core::RemoteRuleJSON> rule = storedRule(ruleJson);
    const std::optional<ReviewState> reviewState = reviewStateFromName(state);
    if (!rule || !reviewState)
        return std::nullopt;
    return WorkshopEntry{id, *rule, *reviewState, reason, createdAt, updatedAt};
}

std::optional<QList<ServiceStore::WorkshopRow>> ServiceStore::workshopRows(std::optional<ReviewState> only, int limit)
{
    auto guard = m_db.lock();
    Statement query(m_db, "SELECT id, updated_at, rule_json, state, reason, created_at FROM market_tasks "
                          "WHERE CAST(?1 AS TEXT) IS NULL OR state = ?1 ORDER BY id DESC LIMIT ?2");
    query.bind(1, only ? std::optional<QString>(reviewStateName(*only)) : std::nullopt)
        .bind(2, limit < 0 ? std::numeric_limits<qint64>::max() : qint64(limit));
    QList<WorkshopRow> rows;
    while (query.next())
        rows.append({query.int64(0), query.int64(1), query.text(2), query.text(3), query.text(4), query.int64(5)});
    if (query.failed()) {
        logFailure("读取规则工坊");
        return std::nullopt;
    }
    return rows;
}

std::optional<QList<ServiceStore::WorkshopRow>> ServiceStore::listedWorkshopRows(int page, int pageSize,
                                                                                 int operatorLimit)
{
    auto guard = m_db.lock();
    Statement query(m_db, "SELECT id, updated_at, rule_json, state, reason, created_at FROM market_tasks "
                          "WHERE state = 'approved' AND reviewed_by = ?1 ORDER BY id DESC LIMIT ?2 OFFSET ?3");
    QList<WorkshopRow> rows;
    const auto collect = [&](const char* reviewer, qint64 limit, qint64 offset) {
        query.bind(1, QString::fromLatin1(reviewer)).bind(2, limit).bind(3, offset);
        while (query.next())
            rows.append({query.int64(0), query.int64(1), query.text(2), query.text(3), query.text(4), query.int64(5)});
        query.reset();
    };
    if (page == 1)
        collect("operator", operatorLimit, 0);
    collect("auto", pageSize, qint64(page - 1) * pageSize);
    if (query.failed()) {
        logFailure("读取规则工坊");
        return std::nullopt;
    }
    std::sort(rows.begin(), rows.end(), [](const WorkshopRow& a, const WorkshopRow& b) { return a.id > b.id; });
    return rows;
}

std::optional<QList<WorkshopEntry>> ServiceStore::workshopEntries(std::optional<ReviewState> only, int limit)
{
    const std::optional<QList<WorkshopRow>> rows = workshopRows(only, limit);
    if (!rows)
        return std::nullopt;
    QList<WorkshopEntry> entries;
    for (const WorkshopRow& row : *rows)
        if (std::optional<WorkshopEntry> entry = row.decoded())
            entries.append(std::move(*entry));
    return entries;
}

std::optional<WorkshopEntry> ServiceStore::workshopEntry(qint64 id, bool* failed)
{
    auto guard = m_db.lock();
    Statement query(m_db, "SELECT id, rule_json, state, reason, created_at, updated_at FROM market_tasks "
                          "WHERE id = ?1");
    query.bind(1, id);
    std::optional<WorkshopEntry> entry;
    if (query.next()) {
        const std::optional<Core::RemoteRuleJSON> rule = storedRule(query.text(1));
        const std::optional<ReviewState> state = reviewStateFromName(query.text(2));
        if (rule && state)
            entry = WorkshopEntry{query.int64(0), *rule, *state, query.text(3), query.int64(4), query.int64(5)};
    }
    if (failed)
        *failed = query.failed();
    if (query.failed())
        logFailure("读取规则工坊");
    return entry;
}

ServiceStore::Upload ServiceStore::addWorkshopEntry(const Core::CleanupRule& rule, ReviewState state,
                                                    const QString& reason, qint64 now, const QString& client,
                                                    const ServiceLimits& limits)
{
    using Outcome = Upload::Outcome;
    static const QString kHourly = QStringLiteral("uploads-hour");
    static const QString kDaily = QStringLiteral("uploads-day");
    static const QString kRows = QStringLiteral("upload-rows");
    // Encoded before the lock: every other request waits while it is held.
    const QString ruleJson = compact(rule.toJsonObject());
    auto guard = m_db.lock();
    Transaction transaction(m_db);
    UsageCounters counters(m_db);
    const auto fail = [this] {
        logFailure("保存上传的规则");
        return Upload{Outcome::failed};
    };
    if (!transaction.isActive())
        return fail();

    const struct
    {
        const QString& kind;
        int limit;
        qint64 window;
        Outcome refusal;
    } checks[] = {{kRows, limits.rowsPerClient, 0, Outcome::rowLimit},
                  {kDaily, limits.uploadsPerDay, ServiceLimits::kDayMs, Outcome::dailyLimit},
                  {kHourly, limits.uploadsPerHour, ServiceLimits::kHourMs, Outcome::hourlyLimit}};
    std::optional<UsageCounters::Count> counts[std::size(checks)];
    for (size_t i = 0; i < std::size(checks); ++i) {
        counts[i] = counters.count(checks[i].kind, client, checks[i].limit, checks[i].window, now);
        if (!counts[i])
            return fail();
        if (!counts[i]->withinLimit)
            return {checks[i].refusal};
    }
    // The file's size is looked at once a second: what a second of uploads adds is nothing
    // beside the limit.
    if (now / 1000 != m_sizeCheckedSecond) {
        Statement size(m_db, m_db.kind() == Database::Kind::sqlite
                                 ? "SELECT (page_count - freelist_count) * page_size "
                                   "FROM pragma_page_count, pragma_freelist_count, pragma_page_size"
                                 : "SELECT pg_database_size(current_database())");
        if (!size.next())
            return fail();
        m_databaseBytes = size.int64(0);
        m_sizeCheckedSecond = now / 1000;
    }
    if (m_databaseBytes >= limits.maxDatabaseBytes)
        return {Outcome::full};

    Statement insert(m_db, "INSERT INTO market_tasks (rule_json, state, reason, created_at, updated_at, client, "
                           "reviewed_by) VALUES (?1, ?2, ?3, ?4, ?4, ?5, 'auto') RETURNING id");
    insert.bind(1, ruleJson).bind(2, reviewStateName(state)).bind(3, reason).bind(4, now);
    insert.bind(5, client);
    const std::optional<qint64> id = insert.insertedId();
    if (!id || !bumpWorkshopVersion())
        return fail();
    for (size_t i = 0; i < std::size(checks); ++i)
        if (!counters.add(checks[i].kind, client, *counts[i], checks[i].window))
            return fail();
    // Counts whose windows have passed are of no use; clearing them once a minute is enough.
    const qint64 minute = now / 60'000;
    if (m_lastSweepMinute != minute && !counters.sweep(now))
        return fail();
    if (!transaction.commit())
        return fail();
    m_lastSweepMinute = minute;
    ++m_workshopWrites;
    return {Outcome::stored, *id};
}

ServiceStore::Change ServiceStore::setReview(qint64 id, ReviewState state, const QString& reason, qint64 now)
{
    auto guard = m_db.lock();
    Transaction transaction(m_db);
    Statement update(m_db, "UPDATE market_tasks SET state = ?1, reason = ?2, updated_at = ?3, reviewed_by = 'operator' "
                           "WHERE id = ?4");
    update.bind(1, reviewStateName(state)).bind(2, reason).bind(3, now).bind(4, id);
    if (!update.run() || !bumpWorkshopVersion() || !transaction.commit()) {
        logFailure("审核规则");
        return Change::failed;
    }
    ++m_workshopWrites;
    return update.changes() > 0 ? Change::done : Change::notFound;
}

std::optional<std::pair<qint64, qint64>> ServiceStore::workshopGeneration()
{
    // SQLite tells of every commit by another connection, edits by hand included; PostgreSQL
    // instances see each other's changes through the version row.
    Statement version(m_db, m_db.kind() == Database::Kind::sqlite ? "PRAGMA data_version"
                                                                  : "SELECT version FROM workshop_version");
    if (!version.next())
        return std::nullopt;
    return std::pair(version.int64(0), m_workshopWrites.load());
}

bool ServiceStore::bumpWorkshopVersion()
{
    Statement bump(m_db, "UPDATE workshop_version SET version = version + 1");
    return bump.run();
}

std::optional<std::optional<VersionRecord>> ServiceStore::latestVersion()
{
    auto guard = m_db.lock();
    Statement query(m_db, (QByteArray("SELECT ") + kVersionColumns +
                           " FROM app_versions WHERE status = 1 ORDER BY build_number DESC, id DESC LIMIT 1")
                              .constData());
    std::optional<VersionRecord> latest;
    if (query.next())
        latest = versionFrom(query);
    if (query.failed()) {
        logFailure("读取最新版本");
        return std::nullopt;
    }
    return latest;
}

std::optional<QList<VersionRecord>> ServiceStore::versions()
{
    auto guard = m_db.lock();
    Statement query(m_db,
                    (QByteArray("SELECT ") + kVersionColumns + " FROM app_versions ORDER BY build_number").constData());
    QList<VersionRecord> all;
    while (query.next())
        all.append(versionFrom(query));
    if (query.failed()) {
        logFailure("读取版本");
        return std::nullopt;
    }
    return all;
}

std::optional<qint64> ServiceStore::publishVersion(const VersionRecord& v, qint64 now, bool* replaced)
{
    auto guard = m_db.lock();
    Transaction transaction(m_db);
    std::optional<qint64> existing;
    {
        Statement find(m_db, "SELECT id FROM app_versions WHERE build_number = ?1");
        find.bind(1, v.buildNumber);
        if (find.next())
            existing = find.int64(0);
        if (find.failed() || !transaction.isActive()) {
            logFailure("发布版本");
            return std::nullopt;
        }
    }
    Statement write(m_db, existing ? "UPDATE app_versions SET version = ?1, download_url = ?2, release_notes = ?3, "
                                     "force_update = ?4, minimum_version = ?5, status = ?6, updated_at = ?7 "
                                     "WHERE build_number = ?8"
                                   : "INSERT INTO app_versions (version, download_url, release_notes, force_update, "
                                     "minimum_version, status, created_at, updated_at, build_number) "
                                     "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?7, ?8) RETURNING id");
    write.bind(1, v.version)
        .bind(2, v.downloadURL)
        .bind(3, v.releaseNotes)
        .bind(4, qint64(v.forceUpdate ? 1 : 0))
        .bind(5, v.minimumVersion)
        .bind(6, v.status)
        .bind(7, now)
        .bind(8, v.buildNumber);
    const std::optional<qint64> id = existing ? (write.run() ? existing : std::nullopt) : write.insertedId();
    if (!id) {
        logFailure("发布版本");
        return std::nullopt;
    }
    if (!transaction.commit()) {
        logFailure("发布版本");
        return std::nullopt;
    }
    if (replaced)
        *replaced = existing.has_value();
    return *id;
}

std::optional<ServiceStore::Counts> ServiceStore::counts()
{
    auto guard = m_db.lock();
    Statement query(m_db, "SELECT (SELECT count(*) FROM cloud_rules),"
                          " (SELECT count(*) FROM market_tasks WHERE state = 'approved'),"
                          " (SELECT count(*) FROM market_tasks WHERE state = 'held'),"
                          " (SELECT count(*) FROM market_tasks WHERE state = 'rejected'),"
                          " (SELECT count(*) FROM app_versions),"
                          " (SELECT count(*) FROM verification_codes)");
    if (!query.next()) {
        logFailure("统计");
        return std::nullopt;
    }
    return Counts{query.int64(0), query.int64(1), query.int64(2), query.int64(3), query.int64(4), query.int64(5)};
}

bool ServiceStore::healthy()
{
    return m_db.healthy();
}

qint64 ServiceStore::databaseErrors() const
{
    return m_db.errorCount();
}

std::optional<QStringList> ServiceStore::consistencyProblems()
{
    auto guard = m_db.lock();
    QStringList problems;
    const std::optional<qint64> version = m_db.schemaVersion();
    if (!version)
        return std::nullopt;
    if (*version != Database::kSchemaVersion)
        problems.append(QStringLiteral("数据库结构版本为 %1，应为 %2").arg(*version).arg(Database::kSchemaVersion));
    // PostgreSQL checks its pages itself as it reads them.
    if (m_db.kind() == Database::Kind::sqlite) {
        Statement integrity(m_db, "PRAGMA integrity_check");
        while (integrity.next())
            if (integrity.text(0) != QLatin1String("ok"))
                problems.append(QStringLiteral("SQLite：") + integrity.text(0));
        if (integrity.failed())
            return std::nullopt;
    }
    {
        Statement rules(m_db, "SELECT id, rule_key, rule_json FROM cloud_rules");
        while (rules.next()) {
            const std::optional<Core::RemoteRuleJSON> rule = storedRule(rules.text(2));
            if (!rule)
                problems.append(QStringLiteral("云端规则 #%1 的 JSON 无法解析").arg(rules.int64(0)));
            else if (rule->packName + rule->name != rules.text(1))
                problems.append(QStringLiteral("云端规则 #%1 的标识与内容不符").arg(rules.int64(0)));
        }
        if (rules.failed())
            return std::nullopt;
    }
    {
        Statement entries(m_db, "SELECT id, rule_json, state FROM market_tasks");
        while (entries.next()) {
            if (!storedRule(entries.text(1)) || !Core::CleanupRule::fromJson(entries.text(1).toUtf8()).ok())
                problems.append(QStringLiteral("规则工坊 #%1 的 JSON 无法解析").arg(entries.int64(0)));
            if (!reviewStateFromName(entries.text(2)))
                problems.append(QStringLiteral("规则工坊 #%1 的审核状态无效").arg(entries.int64(0)));
        }
        if (entries.failed())
            return std::nullopt;
    }
    {
        static const QRegularExpression fourDigits(QStringLiteral("^[0-9]{4}$"));
        Statement codes(m_db, "SELECT channel, code, sent_at, expires_at FROM verification_codes");
        while (codes.next()) {
            if (!fourDigits.match(codes.text(1)).hasMatch() || codes.int64(3) <= codes.int64(2))
                problems.append(QStringLiteral("验证码记录（%1）无效").arg(codes.text(0)));
        }
        if (codes.failed())
            return std::nullopt;
    }
    return problems;
}

} // namespace Sweepora::Service
