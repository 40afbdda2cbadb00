#include "cli/AppCachesCommand.h"
#include "cli/AppsCommand.h"
#include "cli/Command.h"
#include "cli/LargeCommand.h"
#include "cli/RulesCommand.h"

namespace Sweepora::Cli {

const QList<Command>& commandTable()
{
    static const QList<Command> table = {
        rulesCommand(),
        appCachesCommand(),
        appsCommand(),
        largeCommand(),
    };
    return table;
}

} // namespace Sweepora::Cli
