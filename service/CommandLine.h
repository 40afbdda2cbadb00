#pragma once

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace Sweepora::Service {

// sweepora-service [--db PATH] [--listen HOST:PORT] [COMMAND [ARGS]] (usage.txt says it all)
// Options may stand anywhere; "--" ends them. Without a command the service serves.
struct CommandLine
{
    static constexpr int kDefaultPort = 8787;

    QString command = QStringLiteral("serve");
    QString databasePath; // empty: the default file in the user's data folder
    QString host = QStringLiteral("127.0.0.1");
    int port = kDefaultPort;
    QStringList arguments;          // the command's own positional arguments
    QMap<QString, QString> options; // "--build 13" → options["build"] = "13"
    QSet<QString> flags;            // "--force" → flags contains "force"
    bool help = false;
    bool version = false; // --version without a value: print the program's version

    // Nothing, with `error` set, for an unknown option, a missing value or a bad address.
    static std::optional<CommandLine> parse(const QStringList& arguments, QString* error);

    // "127.0.0.1:8787", "[::1]:8787" or "localhost:0"; port 0 takes a free port.
    static bool parseListenAddress(const QString& text, QString* host, int* port);

    static QString usage();
    // The database used when --db is not given.
    static QString defaultDatabasePath();
};

} // namespace Sweepora::Service
