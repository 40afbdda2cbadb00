#pragma once

#include "ServiceClock.h"

#include <QString>
#include <QTextStream>

namespace Sweepora::Service {

struct CommandLine;
class ServiceStore;

// The operator's commands on the service's database (the server may be running meanwhile).
// Exit status: 0 done, 1 usage error, 2 the command failed.
class OperatorCommands
{
public:
    static constexpr qint64 kMaxRuleFileBytes = 1024 * 1024;

    OperatorCommands(ServiceStore& store, ServiceClock clock, QTextStream& out, QTextStream& err);

    int run(const CommandLine& line);

private:
    int publishRules(const CommandLine& line);
    int unpublishRule(const CommandLine& line);
    int publishVersion(const CommandLine& line);
    int review(const CommandLine& line);
    int list();
    int check();

    int usageError(const QString& message);
    bool onlyOptions(const CommandLine& line, const QStringList& options, const QStringList& flags);

    ServiceStore& m_store;
    ServiceClock m_clock;
    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace Sweepora::Service
