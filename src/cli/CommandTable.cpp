#include "cli/Command.h"
#include "cli/LargeCommand.h"
#include "cli/RulesCommand.h"
#include "cli/StorageCommand.h"
#include "cli/TrashCommand.h"

namespace Sweepora::Cli {

const QList<Command>& commandTable()
{
    static const QList<Command> table = {
        rulesCommand(),
        largeCommand(),
        storageCommand(),
        trashCommand(),
    };
    return table;
}

} // namespace Sweepora::Cli
