#include "cli/Command.h"
#include "cli/LargeCommand.h"
#include "cli/MiscCommand.h"
#include "cli/RulesCommand.h"
#include "cli/StorageCommand.h"
#include "cli/TrashCommand.h"

namespace Sweepora::Cli {

const QList<Command>& commandTable()
{
    static const QList<Command> table = {
<<<<<<< HEAD
        rulesCommand(),
        largeCommand(),
        storageCommand(),
        trashCommand(),
=======
        rulesCommand(), largeCommand(), miscCommand(), archivesCommand(), installersCommand(),
>>>>>>> scanners1
    };
    return table;
}

} // namespace Sweepora::Cli
