#include "cli/Command.h"
#include "cli/LargeCommand.h"

namespace Sweepora::Cli {

const QList<Command>& commandTable()
{
    static const QList<Command> table = {
        largeCommand(),
    };
    return table;
}

} // namespace Sweepora::Cli
