#include "cli/AppCachesCommand.h"
#include "cli/AppsCommand.h"
#include "cli/Command.h"
#include "cli/DupesCommand.h"
#include "cli/EmptyCommand.h"
#include "cli/HistoryCommand.h"
#include "cli/LargeCommand.h"
#include "cli/LeftoversCommand.h"
#include "cli/MiscCommand.h"
#include "cli/ProtectCommand.h"
#include "cli/QuickCommand.h"
#include "cli/RulesCommand.h"
#include "cli/SearchCommand.h"
#include "cli/StorageCommand.h"
#include "cli/TrashCommand.h"

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
