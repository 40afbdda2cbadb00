#include "VerificationCodes.h"

#include "CodeSender.h"
#include "Database.h"
#include "SecureRandom.h"
#include "UsageCounters.h"
#include "core/platform/Log.h"

namespace Sweepora::Service {
namespace {

// Rows are kept a day after they expire, then cleared when the next code is sent.
constexpr qint64 kKeepExpiredMs = 24 * 60 * 60 * 1000;

const QString kWrongChecks = QStringLiteral("wrong-checks");
const QString kClientChecks = QStringLiteral("checks");

// Takes as long for every guess, whatever its length or where it differs: the time depends only
// on the stored code.
bool sameCode(const QString& stored, const QString& guess)
{
    char16_t difference = stored.size() == guess.size() ? 0 : 1;
    for (qsizetype i = 0; i < stored.size(); ++i)
        difference |= stored.at(i).unicode() ^ (i < guess.size() ? guess.at(i).unicode() : char16_t(0));
    return difference == 0;
}

QString accountKey(const Account& account)
{
    return Account::channelName(account.channel()) + u':' + account.address();
}

} // namespace

VerificationCodes::VerificationCodes(Database& db, CodeSender& sender, ServiceClock clock, ServiceLimits limits)
    : m_db(db), m_sender(sender), m_clock(std::move(clock)), m_limits(limits)
{}

VerificationCodes::SendResult VerificationCodes::send(const Account& account)
{
    using Kind = SendResult::Kind;
    if (!m_sender.canReach(account.channel()))
        return {Kind::unsupported};
    const QString channel = Account::channelName(account.channel());
    const qint64 now = m_clock();
    QString code;
    {
        auto guard = m_db.lock();
        Transaction transaction(m_db);
        if (!transaction.isActive())
            return {Kind::failed};
        // A locked account gets no code: it could not be checked today anyway.
        UsageCounters counters(m_db);
        const std::optional<UsageCounters::Count> wrong = counters.count(
            kWrongChecks, accountKey(account), m_limits.wrongChecksPerAccountPerDay, ServiceLimits::kDayMs, now);
        if (!wrong || !counters.sweep(now))
            return {Kind::failed};
        if (!wrong->withinLimit)
            return {Kind::locked};
        {
            Statement last(m_db, "SELECT sent_at FROM verification_codes WHERE channel = ?1 AND account = ?2");
            last.bind(1, channel).bind(2, account.address());
            if (last.next()) {
                const qint64 elapsed = now - last.int64(0);
                // A clock that went back counts as "just sent", never as a free resend.
                if (elapsed < kResendIntervalMs) {
                    const qint64 waitMs = std::min(kResendIntervalMs, kResendIntervalMs - elapsed);
                    return {Kind::tooSoon, (waitMs + 999) / 1000};
                }
            }
            if (last.failed())
                return {Kind::failed};
        }
        const std::optional<QString> fresh = SecureRandom::fourDigitCode();
        if (!fresh)
            return {Kind::failed};
        code = *fresh;
        Statement save(m_db,
                       "INSERT INTO verification_codes (channel, account, code, sent_at, expires_at, "
                       "failed_checks, used) VALUES (?1, ?2, ?3, ?4, ?5, 0, 0) "
                       "ON CONFLICT (channel, account) DO UPDATE SET code = excluded.code, "
                       "sent_at = excluded.sent_at, expires_at = excluded.expires_at, failed_checks = 0, used = 0");
        save.bind(1, channel).bind(2, account.address()).bind(3, code).bind(4, now).bind(5, now + kLifetimeMs);
        Statement sweep(m_db, "DELETE FROM verification_codes WHERE expires_at < ?1");
        sweep.bind(1, now - kKeepExpiredMs);
        if (!save.run() || !sweep.run() || !transaction.commit())
            return {Kind::failed};
    }

    // Delivery may take seconds (SMTP): it runs outside the database lock.
    const CodeSender::Outcome outcome = m_sender.deliver(account, code);
    if (outcome == CodeSender::Outcome::sent) {
        if (!m_sender.mayLogSecrets())
            Core::Log::line(QStringLiteral("[Verification] 已发送一封验证码邮件"));
        return {Kind::sent};
    }
    // Nobody received this code, so it must not work; the attempt still counts towards the
    // resend limit, which also keeps a failing mail server from being hammered.
    discard(account, code, now);
    return {outcome == CodeSender::Outcome::unsupported ? Kind::unsupported : Kind::failed};
}

void VerificationCodes::discard(const Account& account, const QString& code, qint64 sentAt)
{
    auto guard = m_db.lock();
    Statement dead(m_db, "UPDATE verification_codes SET used = 1 WHERE channel = ?1 AND account = ?2 AND code = ?3 "
                         "AND sent_at = ?4");
    dead.bind(1, Account::channelName(account.channel())).bind(2, account.address()).bind(3, code).bind(4, sentAt);
    dead.run();
}

VerificationCodes::CheckResult VerificationCodes::check(const Account& account, const QString& code,
                                                        const QString& client)
{
    const QString channel = Account::channelName(account.channel());
    const qint64 now = m_clock();
    auto guard = m_db.lock();
    Transaction transaction(m_db);
    if (!transaction.isActive())
        return CheckResult::failed;

    // Both limits hold before anything is compared, and every check from the address counts.
    UsageCounters counters(m_db);
    const std::optional<UsageCounters::Count> checks =
        counters.count(kClientChecks, client, m_limits.checksPerClientPerHour, ServiceLimits::kHourMs, now);
    const std::optional<UsageCounters::Count> wrong = counters.count(
        kWrongChecks, accountKey(account), m_limits.wrongChecksPerAccountPerDay, ServiceLimits::kDayMs, now);
    if (!checks || !wrong)
        return CheckResult::failed;
    if (!checks->withinLimit)
        return CheckResult::tooMany;
    if (!wrong->withinLimit)
        return CheckResult::locked;
    if (!counters.add(kClientChecks, client, *checks, ServiceLimits::kHourMs) || !transaction.commit())
        return CheckResult::failed;
    Transaction checking(m_db);
    if (!checking.isActive())
        return CheckResult::failed;
    // Counted again within this transaction, which also keeps the account's checks in order:
    // another instance may have counted a wrong check meanwhile.
    UsageCounters recount(m_db);
    const std::optional<UsageCounters::Count> wrongNow = recount.count(
        kWrongChecks, accountKey(account), m_limits.wrongChecksPerAccountPerDay, ServiceLimits::kDayMs, now);
    if (!wrongNow)
        return CheckResult::failed;
    if (!wrongNow->withinLimit)
        return CheckResult::locked;

    QString stored;
    qint64 expiresAt = 0;
    qint64 wrongChecks = 0;
    bool used = false;
    {
        Statement find(m_db, "SELECT code, expires_at, failed_checks, used FROM verification_codes "
                             "WHERE channel = ?1 AND account = ?2");
        find.bind(1, channel).bind(2, account.address());
        if (!find.next())
            return find.failed() ? CheckResult::failed : CheckResult::noCode;
        stored = find.text(0);
        expiresAt = find.int64(1);
        wrongChecks = find.int64(2);
        used = find.int64(3) != 0;
    }

    if (used)
        return CheckResult::noCode;
    if (now >= expiresAt)
        return CheckResult::expired;
    if (wrongChecks >= kMaxWrongChecks)
        return CheckResult::exhausted;

    const bool right = sameCode(stored, code);
    Statement update(m_db, right ? "UPDATE verification_codes SET used = 1 WHERE channel = ?1 AND account = ?2"
                                 : "UPDATE verification_codes SET failed_checks = failed_checks + 1 "
                                   "WHERE channel = ?1 AND account = ?2");
    update.bind(1, channel).bind(2, account.address());
    if (!update.run() ||
        (!right && !recount.add(kWrongChecks, accountKey(account), *wrongNow, ServiceLimits::kDayMs)) ||
        !checking.commit())
        return CheckResult::failed;
    return right ? CheckResult::accepted : CheckResult::wrong;
}

} // namespace Sweepora::Service
