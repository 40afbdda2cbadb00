#pragma once

#include "ServiceLimits.h"
#include "core/rules/CleanupRule.h"
#include "core/rules/RemoteRuleJSON.h"

#include <QList>
#include <QString>

#include <atomic>
#include <optional>
#include <utility>

namespace Sweepora::Service {

class Database;

// Review state of a workshop entry. Only `approved` is listed to the public and goes out with
// "allow" 1; a held entry waits for the operator, a rejected one stays for the record.
enum class ReviewState { approved, held, rejected };

QString reviewStateName(ReviewState state); // "approved", "held", "rejected"
std::optional<ReviewState> reviewStateFromName(const QString& name);

struct PublishedRule
{
    qint64 id = 0;
    Core::RemoteRuleJSON rule;
    qint64 createdAt = 0; // milliseconds since the epoch, UTC
    qint64 updatedAt = 0;
};

struct WorkshopEntry
{
    qint64 id = 0;
    Core::RemoteRuleJSON rule;
    ReviewState state = ReviewState::held;
    QString reason;
    qint64 createdAt = 0;
    qint64 updatedAt = 0;

    qint64 allow() const { return state == ReviewState::approved ? 1 : 0; }
};

struct VersionRecord
{
    qint64 id = 0;
    QString version;
    qint64 buildNumber = 0;
    QString downloadURL;
    QString releaseNotes;
    bool forceUpdate = false;
    std::optional<QString> minimumVersion;
    qint64 status = 1; // 1: published
    qint64 createdAt = 0;
    qint64 updatedAt = 0;
};

// The published rules, the workshop and the versions, on the shared database. Every call is
// one transaction; a database failure gives an empty optional (or `failed`) and is logged.
class ServiceStore
{
public:
    explicit ServiceStore(Database& db) : m_db(db) {}

    enum class Change { done, notFound, failed };

    // In publishing order.
    std::optional<QList<PublishedRule>> publishedRules();
    // A rule with the same identity (PackName followed by Name, as the application keys its
    // rules) is replaced in place and keeps its id; otherwise the rule is added.
    std::optional<qint64> publishRule(const Core::RemoteRuleJSON& rule, qint64 now, bool* replaced = nullptr);
    Change unpublishRule(qint64 id);

    // A workshop row as stored, its rule still as JSON text (for callers that cache its encoding).
    struct WorkshopRow
    {
        qint64 id = 0;
        qint64 updatedAt = 0;
        QString ruleJson;
        QString state;
        QString reason;
        qint64 createdAt = 0;

        // Nothing when the row no longer decodes (edited by hand).
        std::optional<WorkshopEntry> decoded() const;
    };
    std::optional<QList<WorkshopRow>> workshopRows(std::optional<ReviewState> only, int limit);
    // One page of the public workshop list, newest first: the first page holds every entry an
    // operator approved (at most `operatorLimit`) and the newest `pageSize` entries approved by
    // the automatic review; later pages hold only older ones of the latter, so that a flood of
    // uploads can never push out what an operator approved.
    std::optional<QList<WorkshopRow>> listedWorkshopRows(int page, int pageSize, int operatorLimit);

    // Newest first; `only` filters by state; at most `limit` entries (all when negative).
    std::optional<QList<WorkshopEntry>> workshopEntries(std::optional<ReviewState> only = std::nullopt, int limit = -1);
    std::optional<WorkshopEntry> workshopEntry(qint64 id, bool* failed = nullptr);
    struct Upload
    {
        enum class Outcome { stored, hourlyLimit, dailyLimit, rowLimit, full, failed } outcome = Outcome::failed;
        qint64 id = 0;
    };
    // Stores an upload from `client` (its address) unless one of the client's limits or the
    // database's size refuses it; the check and the write are one transaction.
    Upload addWorkshopEntry(const Core::CleanupRule& rule, ReviewState state, const QString& reason, qint64 now,
                            const QString& client, const ServiceLimits& limits);
    // An operator's review.
    Change setReview(qint64 id, ReviewState state, const QString& reason, qint64 now);
    // Changes whenever the workshop may have changed: a write through this store, or a commit
    // by another connection (the operator commands run in another process).
    std::optional<std::pair<qint64, qint64>> workshopGeneration();

    // The published version with the highest build number; an empty inner optional when none is.
    std::optional<std::optional<VersionRecord>> latestVersion();
    std::optional<QList<VersionRecord>> versions();
    // A version with the same build number is updated in place and keeps its id.
    std::optional<qint64> publishVersion(const VersionRecord& version, qint64 now, bool* replaced = nullptr);

    struct Counts
    {
        qint64 publishedRules = 0;
        qint64 approved = 0;
        qint64 held = 0;
        qint64 rejected = 0;
        qint64 versions = 0;
        qint64 codes = 0;
    };
    std::optional<Counts> counts();

    // Problems found by a full consistency check (empty when there are none), or nullopt when
    // the check itself could not run.
    std::optional<QStringList> consistencyProblems();

    // Whether the database answers; the failures counted so far.
    bool healthy();
    qint64 databaseErrors() const;

private:
    void logFailure(const char* what) const;
    // Within the transaction of a change to the workshop.
    bool bumpWorkshopVersion();

    Database& m_db;
    std::atomic<qint64> m_workshopWrites{0};
    // Under the database's lock.
    qint64 m_lastSweepMinute = -1;
    qint64 m_sizeCheckedSecond = -1;
    qint64 m_databaseBytes = 0;
};

} // namespace Sweepora::Service
