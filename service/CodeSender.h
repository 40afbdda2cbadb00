#pragma once

#include "Account.h"

#include <QString>

namespace Sweepora::Service {

// How a sign-in code reaches the person who asked for it.
class CodeSender
{
public:
    enum class Outcome {
        sent,
        unsupported, // this sender cannot reach that kind of account
        failed,
    };

    virtual ~CodeSender() = default;
    // Whether this sender can reach that kind of account at all.
    virtual bool canReach(Channel channel) const = 0;
    // Called on a request thread; may block for the length of one delivery.
    virtual Outcome deliver(const Account& account, const QString& code) = 0;
    // False when codes and accounts must never appear in the log (a real delivery).
    virtual bool mayLogSecrets() const = 0;
};

// Development delivery: the code is written to the service's log, and nothing is sent.
class LogCodeSender : public CodeSender
{
public:
    bool canReach(Channel) const override { return true; }
    Outcome deliver(const Account& account, const QString& code) override;
    bool mayLogSecrets() const override { return true; }
};

} // namespace Sweepora::Service
