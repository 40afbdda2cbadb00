#include "cli/Command.h"
#include "cli/LargeCommand.h"
#include "cli/MiscCommand.h"
#include "cli/RulesCommand.h"

namespace Sweepora::Cli {

const QList<Command>& commandTable()
{
    static const QList<Command> table = {
        rulesCommand(), largeCommand(), miscCommand(), archivesCommand(), installersCommand(),
    };
    return table;
}

} // namespace Sweepora::Cli
