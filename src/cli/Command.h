#pragma once

#include "core/trash/TrashBatch.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

namespace Sweepora::Cli {

enum ExitStatus : int { ExitDone = 0, ExitUsage = 1, ExitCannotScan = 2 };

// What every command may read: set up by the command line before the command runs.
struct CommandContext
{
    QString home;                 // standardized, a readable folder, inside the open scope
    std::optional<QDateTime> now; // --now: age rules count from here instead of the clock
    // For a command that asks before it changes anything: a yes-or-no question on the
    // terminal; empty when --yes was given.
    std::function<bool(const QString&)> confirm;
    // --json: the report is the items alone, and a command with many may leave the table's
    // rows out.
    bool json = false;
};

struct Column
{
    QString title;
    bool alignRight = false;
};

// What a command found, items in the order its page shows them.
struct Listing
{
    QString message;
    QJsonArray items;      // one object per item, for --json
    QList<Column> columns; // the same items as a table
    QList<QStringList> rows;
    QJsonObject extra;      // further top-level fields (commands without items)
    bool listsItems = true; // false: the rows are only the table of a command without items
    QStringList trashPaths; // what --move-to-trash moves, in order
    QString failure;        // set when the scan could not run (exit status 2)
    QString usageError;     // set when the arguments name nothing there is (exit status 1)
};

// An engine's clean outcome (moved, failed, message) as the command line reports it.
template <typename Outcome> Core::TrashBatchResult batchResult(const Outcome& outcome)
{
    Core::TrashBatchResult result;
    result.moved = outcome.moved;
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(outcome.failed)>, QList<Core::TrashFailure>>)
        result.failed = outcome.failed;
    else
        for (const auto& [path, error] : outcome.failed)
            result.failed.append({path, error});
    result.message = outcome.message;
    return result;
}

// One run of one command. The command line calls parse() before anything touches the disk,
// then scan(), then, for --move-to-trash, moveToTrash() with the listing's trashPaths.
class CommandRunner
{
public:
    virtual ~CommandRunner() = default;
    // The command's own arguments (global options and --move-to-trash/--yes removed).
    // Returns an error text for a usage error, else an empty string.
    virtual QString parse(const QStringList& arguments) = 0;
    virtual Listing scan(const CommandContext& context) = 0;
    virtual bool canMoveToTrash() const { return false; }
    virtual Core::TrashBatchResult moveToTrash(const QStringList& paths)
    {
        Q_UNUSED(paths);
        return {};
    }
    // A command whose items are groups (an application with its files) asks about each group
    // itself instead of once for everything: `confirm` puts a yes-or-no question on the
    // terminal, and is empty when --yes was given.
    virtual bool confirmsEachGroup() const { return false; }
    // A command that changes things without --move-to-trash (restore) asks through
    // CommandContext::confirm, and takes --yes on its own.
    virtual bool asksItself() const { return false; }
    virtual Core::TrashBatchResult moveToTrashAsking(const QStringList& paths,
                                                     const std::function<bool(const QString&)>& confirm)
    {
        Q_UNUSED(confirm);
        return moveToTrash(paths);
    }
};

// The command's synopsis and description are its line in usage.txt, the one source of the
// --help text, the man page and the shell completions.
struct Command
{
    QString name;
    std::function<std::unique_ptr<CommandRunner>()> make;
};

// Every command that can run. A new command is one file that defines its Command, its factory
// in Commands.h, one line in CommandTable.cpp and its line in usage.txt (--help lists it once
// the table has it).
const QList<Command>& commandTable();

} // namespace Sweepora::Cli
