#include "cli/Command.h"
#include "cli/Commands.h"

namespace Sweepora::Cli {

const QList<Command>& commandTable()
{
    // In the order of the usage text; one line per command.
    // clang-format off
    static const QList<Command> table = {
        rulesCommand(),
        appCachesCommand(),
        appsCommand(),
        leftoversCommand(),
        largeCommand(),
        miscCommand(),
        archivesCommand(),
        installersCommand(),
        emptyCommand(),
        searchCommand(),
        dupesCommand(),
        storageCommand(),
        trashCommand(),
        quickCommand(),
        historyCommand(),
        restoreCommand(),
        protectCommand(),
    };
    // clang-format on
    return table;
}

} // namespace Sweepora::Cli
