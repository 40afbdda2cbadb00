// The command line's arguments come from scripts and from people. Read as NUL-separated UTF-8,
// any list of them either is a usage error with a message or names what to run, and the command
// gets exactly its own arguments, in order.
#include "FuzzCheck.h"
#include "cli/Arguments.h"

using namespace Sweepora::Cli;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QStringList names = {QStringLiteral("large"), QStringLiteral("misc"), QStringLiteral("restore"),
                                      QStringLiteral("trash")};
    QStringList arguments;
    for (const QByteArray& part : fuzzBytes(data, size).split('\0'))
        arguments.append(QString::fromUtf8(part));
    Arguments parsed;
    const QString error = parseArguments(arguments, names, parsed);
    if (!error.isEmpty() || parsed.help || parsed.version)
        return 0;
    FUZZ_CHECK(parsed.command >= 0 && parsed.command < names.size());
    FUZZ_CHECK(!parsed.homeGiven || !parsed.home.isEmpty());
    // Some place of the command's name (a value of --home may come before it) is followed by
    // exactly the command's arguments and the two flags.
    bool found = false;
    for (qsizetype p = 0; p < arguments.size() && !found; ++p) {
        if (arguments[p] != names[parsed.command])
            continue;
        QStringList own = arguments.mid(p + 1);
        const bool move = own.removeAll(QStringLiteral("--move-to-trash")) > 0;
        const bool yes = own.removeAll(QStringLiteral("--yes")) > 0;
        found = own == parsed.commandArguments && move == parsed.moveToTrash && yes == parsed.yes;
    }
    FUZZ_CHECK(found);
    return 0;
}
