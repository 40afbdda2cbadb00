#include "cli/CommandLine.h"

#include "cli/Command.h"
#include "cli/TextTable.h"
#include "platform/Log.h"
#include "platform/PlatformLayout.h"
#include "platform/ProgramText.h"
#include "platform/Sandbox.h"

#include <QFile>
#include <QJsonDocument>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

void write(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

int usageError(const QString& problem)
{
    write(stderr, QStringLiteral("sweepora-cli: ") + problem + QLatin1Char('\n') + usageText());
    return ExitUsage;
}

struct GlobalOptions
{
    QString home;
    bool homeGiven = false;
    QString now;
    bool json = false;
    bool help = false;
    bool version = false;
    bool moveToTrash = false;
    bool yes = false;
    const Command* command = nullptr;
    QStringList commandArguments;
};

// Takes the value of `--name VALUE` or `--name=VALUE` at arguments[i]; false when `a` is not
// that option. A missing value is reported through `error`.
bool takeValue(const QStringList& arguments, qsizetype& i, const QString& name, QString& value, QString& error)
{
    const QString& a = arguments[i];
    if (a == name) {
        if (i + 1 >= arguments.size()) {
            error = name + QStringLiteral(" needs a value");
            return true;
        }
        value = arguments[++i];
        return true;
    }
    if (a.startsWith(name + QLatin1Char('='))) {
        value = a.mid(name.size() + 1);
        return true;
    }
    return false;
}

QString parse(const QStringList& arguments, GlobalOptions& options)
{
    qsizetype i = 0;
    QString error;
    for (; i < arguments.size() && arguments[i].startsWith(QLatin1Char('-')); ++i) {
        const QString& a = arguments[i];
        if (takeValue(arguments, i, QStringLiteral("--home"), options.home, error)) {
            if (!error.isEmpty())
                return error;
            if (options.home.isEmpty())
                return QStringLiteral("--home needs a folder");
            options.homeGiven = true;
        } else if (takeValue(arguments, i, QStringLiteral("--now"), options.now, error)) {
            if (!error.isEmpty())
                return error;
        } else if (a == QLatin1String("--json")) {
            options.json = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            options.help = true;
            return {};
        } else if (a == QLatin1String("--version")) {
            options.version = true;
            return {};
        } else {
            return QStringLiteral("unknown option \"%1\"").arg(a);
        }
    }
    if (i == arguments.size())
        return QStringLiteral("no command given");
    const QString name = arguments[i++];
    for (const Command& c : commandTable())
        if (c.name == name)
            options.command = &c;
    if (options.command == nullptr)
        return QStringLiteral("unknown command \"%1\"").arg(name);
    for (; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--move-to-trash"))
            options.moveToTrash = true;
        else if (arguments[i] == QLatin1String("--yes"))
            options.yes = true;
        else
            options.commandArguments.append(arguments[i]);
    }
    if (options.yes && !options.moveToTrash)
        return QStringLiteral("--yes only goes with --move-to-trash");
    return {};
}

// Why `path` cannot serve as the home folder, or an empty string when it can.
QString unusableHome(const QString& path)
{
    // A home reached through a link (/home -> /usr/home) is taken at its real place once, when
    // its scope opens; no link below it is ever followed.
    const QByteArray bytes = QFile::encodeName(path);
    struct stat st;
    if (::stat(bytes.constData(), &st) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("it is not a folder");
    const int fd = ::open(bytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    if (::access(bytes.constData(), R_OK | X_OK) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

bool confirmOnTerminal(const QString& question)
{
    write(stderr, question + QStringLiteral(" [y/N] "));
    char answer[64] = {};
    if (std::fgets(answer, sizeof answer, stdin) == nullptr)
        return false;
    const QString a = QString::fromLocal8Bit(answer).trimmed().toLower();
    return a == QLatin1String("y") || a == QLatin1String("yes");
}

void print(const QString& commandName, const Listing& listing, bool json)
{
    if (json) {
        QJsonObject object = listing.extra;
        object.insert(QStringLiteral("command"), commandName);
        object.insert(QStringLiteral("message"), listing.message);
        if (listing.listsItems && !listing.columns.isEmpty())
            object.insert(QStringLiteral("items"), listing.items);
        write(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
        return;
    }
    QString text;
    if (!listing.rows.isEmpty())
        text += renderTable(listing.columns, listing.rows);
    text += printable(listing.message) + QLatin1Char('\n');
    write(stdout, text);
}

} // namespace

QString usageText()
{
    return ProgramText::usage(QStringLiteral(":/cli/usage.txt"), [](const QString& name) {
        const QList<Command>& table = commandTable();
        return std::any_of(table.begin(), table.end(), [&](const Command& c) { return c.name == name; });
    });
}

int runCommandLine(const QStringList& arguments)
{
    // Standard output carries only the result.
    Log::useStandardError(true);

    GlobalOptions options;
    if (const QString error = parse(arguments, options); !error.isEmpty())
        return usageError(error);
    if (options.help) {
        write(stdout, usageText());
        return ExitDone;
    }
    if (options.version) {
        write(stdout, ProgramText::versionLine(QStringLiteral("sweepora-cli")));
        return ExitDone;
    }
    std::unique_ptr<CommandRunner> runner = options.command->make();
    if (const QString error = runner->parse(options.commandArguments); !error.isEmpty())
        return usageError(error);
    if (options.moveToTrash && !runner->canMoveToTrash())
        return usageError(QStringLiteral("%1 has nothing to move to the Trash").arg(options.command->name));
    if (options.moveToTrash && !options.yes && !::isatty(STDIN_FILENO)) {
        write(stderr, QStringLiteral("sweepora-cli: no terminal to confirm the move to the Trash on; "
                                     "add --yes to move without asking\n"));
        return ExitUsage;
    }

    CommandContext context;
    if (!options.now.isEmpty()) {
        const QDateTime now = QDateTime::fromString(options.now, Qt::ISODateWithMs);
        if (!now.isValid())
            return usageError(QStringLiteral("--now needs an ISO 8601 date and time, such as 2024-05-01T12:00:00; "
                                             "got \"%1\"")
                                  .arg(options.now));
        context.now = now;
    }

    // Running the command is the user's consent for the folder it names: that folder is the
    // open scope, the application roots may be read.
    if (options.homeGiven)
        PlatformLayout::setCurrent(PlatformLayout::forHome(options.home));
    const PlatformLayout& layout = PlatformLayout::current();
    context.home = layout.home;
    if (const QString why = unusableHome(context.home); !why.isEmpty()) {
        write(stderr, QStringLiteral("sweepora-cli: cannot scan the home folder %1: %2\n").arg(context.home, why));
        return ExitCannotScan;
    }
    Sandbox::openScope(context.home);
    Sandbox::setReadOnlyRoots(layout.applicationRoots);

    Listing listing = runner->scan(context);
    if (!listing.failure.isEmpty()) {
        write(stderr, QStringLiteral("sweepora-cli: ") + listing.failure + QLatin1Char('\n'));
        return ExitCannotScan;
    }

    if (options.moveToTrash) {
        if (!listing.trashPaths.isEmpty() && !options.yes && !runner->confirmsEachGroup() &&
            !confirmOnTerminal(QStringLiteral("将 %1 个项目移到废纸篓？").arg(listing.trashPaths.size()))) {
            write(stderr, QStringLiteral("未移动任何文件\n"));
            print(options.command->name, listing, options.json);
            return ExitDone;
        }
        QJsonArray moved;
        QJsonArray failed;
        if (!listing.trashPaths.isEmpty()) {
            const TrashBatchResult result =
                runner->confirmsEachGroup()
                    ? runner->moveToTrashAsking(listing.trashPaths,
                                                options.yes ? std::function<bool(const QString&)>() : confirmOnTerminal)
                    : runner->moveToTrash(listing.trashPaths);
            for (const QString& p : result.moved)
                moved.append(p);
            for (const TrashFailure& f : result.failed)
                failed.append(QJsonObject{{QStringLiteral("path"), f.path}, {QStringLiteral("error"), f.error}});
            listing.message = result.message;
        }
        listing.extra.insert(QStringLiteral("moved"), moved);
        listing.extra.insert(QStringLiteral("failed"), failed); // each failure was also logged
    }
    print(options.command->name, listing, options.json);
    return ExitDone;
}

} // namespace Sweepora::Cli
