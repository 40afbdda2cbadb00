// --help and --version of the real sweepora-cli binary.
#include "cli/CliRunner.h"
#include "cli/Command.h"
#include "scanners/AboutInfo.h"

#include <QSet>

using namespace Sweepora::Test;

TEST(CliUsage, HelpListsExactlyTheCommandsThatRunAndVersionNamesTheBuild)
{
    // usage.txt lists commands still to come: --help leaves out those the table lacks, and
    // a command the table has but usage.txt lacks would be missing here.
    const CliRun help = runCli({QStringLiteral("--help")});
    ASSERT_EQ(help.exitCode, 0);
    QSet<QString> listed;
    bool inCommands = false;
    for (const QString& line : QString::fromUtf8(help.out).split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1Char(' ')))
            inCommands = line == QLatin1String("commands:");
        else if (inCommands && line.size() > 2 && line.at(2) != QLatin1Char(' '))
            listed.insert(line.mid(2).section(QLatin1Char(' '), 0, 0));
    }
    QSet<QString> table;
    for (const Sweepora::Cli::Command& c : Sweepora::Cli::commandTable())
        table.insert(c.name);
    EXPECT_EQ(listed, table);
    EXPECT_FALSE(help.out.contains("[man]"));
    EXPECT_FALSE(help.out.contains("\n#"));

    const CliRun version = runCli({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(version.out),
              QStringLiteral("sweepora-cli %1 (build %2)\n")
                  .arg(*Sweepora::Core::AboutInfo::shortVersionString(), *Sweepora::Core::AboutInfo::buildVersion()));
}
