#pragma once

#include <QString>
#include <QStringList>

namespace Sweepora::Cli {

// What the command line asks for, read before anything touches the disk.
struct Arguments
{
    QString home;
    bool homeGiven = false;
    QString now;
    bool json = false;
    bool help = false;
    bool version = false;
    bool moveToTrash = false;
    bool yes = false;
    qsizetype command = -1; // index into the command names; -1 when none was recognised
    QStringList commandArguments;
};

// Reads the global options, the command among `commandNames` and its own arguments (with
// --move-to-trash and --yes taken out). Returns an error text for a usage error, else an empty
// string; after --help or --version nothing more is read.
QString parseArguments(const QStringList& arguments, const QStringList& commandNames, Arguments& out);

// A command's own option with a value, as "--name VALUE" or "--name=VALUE" at arguments[i];
// `i` moves past a separate value. Missing when the option ends the line without one.
enum class OptionValue { absent, given, missing };
OptionValue takeOption(const QStringList& arguments, qsizetype& i, QLatin1String name, QString& value);

} // namespace Sweepora::Cli
