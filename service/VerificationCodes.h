#pragma once

#include "Account.h"
#include "ServiceClock.h"
#include "ServiceLimits.h"

#include <QString>

namespace Sweepora::Service {

class CodeSender;
class Database;

// Sign-in codes: four digits, valid for five minutes, good for one successful check, at most
// one sent per account every 60 seconds (a failed delivery counts, and its code dies), and dead
// after five wrong checks. A new code replaces the account's previous one. Over all its codes,
// an account takes a limited number of wrong checks a day and is then locked for the day, and a
// client address a limited number of checks an hour, so that resending does not reopen a guess
// at the code. Codes and counts live in the database, so a restart forgets nothing.
class VerificationCodes
{
public:
    static constexpr qint64 kLifetimeMs = 5 * 60 * 1000;
    static constexpr qint64 kResendIntervalMs = 60 * 1000;
    static constexpr int kMaxWrongChecks = 5;

    VerificationCodes(Database& db, CodeSender& sender, ServiceClock clock, ServiceLimits limits = {});

    struct SendResult
    {
        enum class Kind { sent, tooSoon, locked, unsupported, failed } kind = Kind::failed;
        qint64 retryAfterSeconds = 0; // for tooSoon
    };
    SendResult send(const Account& account);

    enum class CheckResult {
        accepted,
        wrong, // counted against the code
        expired,
        exhausted, // too many wrong checks; the code is dead
        noCode,    // never sent, already used, or replaced
        locked,    // too many wrong checks of this account today; nothing was compared
        tooMany,   // too many checks from this client address lately; nothing was compared
        failed,    // the database failed
    };
    // `client`: the address the check came from.
    CheckResult check(const Account& account, const QString& code, const QString& client);

private:
    void discard(const Account& account, const QString& code, qint64 sentAt);

    Database& m_db;
    CodeSender& m_sender;
    ServiceClock m_clock;
    const ServiceLimits m_limits;
};

} // namespace Sweepora::Service
