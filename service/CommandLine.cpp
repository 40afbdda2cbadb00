#include "CommandLine.h"

#include "core/platform/PlatformLayout.h"
#include "core/platform/ProgramText.h"

namespace Sweepora::Service {
namespace {

const QStringList kValueOptions = {QStringLiteral("db"),
                                   QStringLiteral("listen"),
                                   QStringLiteral("build"),
                                   QStringLiteral("version"),
                                   QStringLiteral("url"),
                                   QStringLiteral("notes"),
                                   QStringLiteral("minimum-version"),
                                   QStringLiteral("uploads-per-hour"),
                                   QStringLiteral("uploads-per-day"),
                                   QStringLiteral("rows-per-client"),
                                   QStringLiteral("max-db-mb"),
                                   QStringLiteral("log-format"),
                                   QStringLiteral("db-connections")};
const QStringList kFlags = {QStringLiteral("force"), QStringLiteral("override-review")};
const QStringList kCommands = {QStringLiteral("serve"),          QStringLiteral("publish-rule"),
                               QStringLiteral("unpublish-rule"), QStringLiteral("publish-version"),
                               QStringLiteral("review"),         QStringLiteral("list"),
                               QStringLiteral("check")};

} // namespace

QString CommandLine::usage()
{
    return Core::ProgramText::usage(QStringLiteral(":/service/usage.txt"));
}

QString CommandLine::defaultDatabasePath()
{
    return Core::PlatformLayout::system().applicationSupport + QStringLiteral("/service.sqlite3");
}

bool CommandLine::parseListenAddress(const QString& text, QString* host, int* port)
{
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return false;
    QString h = text.left(colon);
    if (h.startsWith(u'[') && h.endsWith(u']'))
        h = h.mid(1, h.size() - 2);
    else if (h.contains(u':'))
        return false; // an IPv6 address needs its brackets
    bool ok = false;
    const int p = text.mid(colon + 1).toInt(&ok);
    if (h.isEmpty() || !ok || p < 0 || p > 65535)
        return false;
    *host = h;
    *port = p;
    return true;
}

std::optional<CommandLine> CommandLine::parse(const QStringList& arguments, QString* error)
{
    CommandLine line;
    QStringList positionals;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1String("--")) || argument.size() == 2) {
            if (!optionsEnded && argument == QLatin1String("--")) {
                optionsEnded = true;
                continue;
            }
            positionals.append(argument);
            continue;
        }
        QString name = argument.mid(2);
        std::optional<QString> value;
        if (const qsizetype equals = name.indexOf(u'='); equals >= 0) {
            value = name.mid(equals + 1);
            name = name.left(equals);
        }
        if (name == QLatin1String("help")) {
            line.help = true;
        } else if (kFlags.contains(name)) {
            if (value) {
                *error = QStringLiteral("选项 --%1 不带值").arg(name);
                return std::nullopt;
            }
            line.flags.insert(name);
        } else if (kValueOptions.contains(name)) {
            if (!value) {
                // "--version" with nothing after it asks for the program's own version;
                // publish-version still needs its value.
                if (name == QLatin1String("version") && i + 1 >= arguments.size()) {
                    line.version = true;
                    continue;
                }
                if (i + 1 >= arguments.size()) {
                    *error = QStringLiteral("选项 --%1 缺少值").arg(name);
                    return std::nullopt;
                }
                value = arguments.at(++i);
            }
            line.options.insert(name, *value);
        } else {
            *error = QStringLiteral("未知选项 --%1").arg(name);
            return std::nullopt;
        }
    }

    if (line.options.contains(QStringLiteral("db")))
        line.databasePath = line.options.take(QStringLiteral("db"));
    if (line.options.contains(QStringLiteral("listen")) &&
        !parseListenAddress(line.options.take(QStringLiteral("listen")), &line.host, &line.port)) {
        *error = QStringLiteral("--listen 须为 HOST:PORT，例如 127.0.0.1:8787");
        return std::nullopt;
    }
    if (!positionals.isEmpty()) {
        line.command = positionals.takeFirst();
        if (!kCommands.contains(line.command)) {
            *error = QStringLiteral("未知命令 %1").arg(line.command);
            return std::nullopt;
        }
    }
    if (line.version && line.command == QLatin1String("publish-version")) {
        *error = QStringLiteral("选项 --version 缺少值");
        return std::nullopt;
    }
    line.arguments = positionals;
    return line;
}

} // namespace Sweepora::Service
