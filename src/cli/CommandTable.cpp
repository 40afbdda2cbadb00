#include "cli/Command.h"
#include "cli/EmptyCommand.h"
#include "cli/LargeCommand.h"
#include "cli/RulesCommand.h"
#include "cli/SearchCommand.h"

namespace Sweepora::Cli {

const QList<Command>& commandTable()
{
    static const QList<Command> table = {
        rulesCommand(),
        largeCommand(),
        emptyCommand(),
        searchCommand(),
    };
    return table;
}

} // namespace Sweepora::Cli
