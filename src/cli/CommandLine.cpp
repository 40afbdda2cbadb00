#include "cli/CommandLine.h"

#include "cli/Arguments.h"
#include "cli/Command.h"
#include "cli/TextTable.h"
#include "core/platform/Log.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/ProgramText.h"
#include "core/platform/Sandbox.h"
#include "core/trash/TrashGateway.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

// False when the text did not reach the stream (a full disk, a closed pipe).
bool write(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    const size_t written = std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    return std::fflush(stream) == 0 && written == static_cast<size_t>(bytes.size()) && !std::ferror(stream);
}

// Paths keep their bytes as lone surrogates (PathBytes.h), which strict JSON readers refuse:
// each becomes U+FFFD, and an object's "path" that had any gains "pathBytes", its exact bytes
// in base64.
bool hasLoneSurrogate(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); });
}

bool needsRepair(const QJsonValue& value)
{
    if (value.isString())
        return hasLoneSurrogate(value.toString());
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        return std::any_of(array.begin(), array.end(), [](const QJsonValue& v) { return needsRepair(v); });
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        return std::any_of(object.begin(), object.end(), [](const QJsonValue& v) { return needsRepair(v); });
    }
    return false;
}

QJsonValue validJson(const QJsonValue& value)
{
    // Most reports need nothing: keep them as they are rather than copy a large one whole.
    if (!needsRepair(value))
        return value;
    const auto replaced = [](QString text) {
        for (QChar& c : text)
            if (c.isSurrogate())
                c = QChar::ReplacementCharacter;
        return text;
    };
    if (value.isString()) {
        const QString text = value.toString();
        return hasLoneSurrogate(text) ? QJsonValue(replaced(text)) : value;
    }
    if (value.isArray()) {
        QJsonArray array;
        for (const QJsonValue& v : value.toArray())
            array.append(validJson(v));
        return array;
    }
    if (value.isObject()) {
        const QJsonObject in = value.toObject();
        QJsonObject out;
        for (auto it = in.constBegin(); it != in.constEnd(); ++it)
            out.insert(it.key(), validJson(it.value()));
        const QString path = in.value(QStringLiteral("path")).toString();
        if (hasLoneSurrogate(path))
            out.insert(QStringLiteral("pathBytes"), QString::fromLatin1(bytesFromPath(path).toBase64()));
        return out;
    }
    return value;
}

bool writeJson(const QJsonObject& object)
{
    // Straight from the document's UTF-8: a report of a hundred thousand paths is not copied
    // through a QString and back.
    QByteArray bytes = QJsonDocument(validJson(object).toObject()).toJson(QJsonDocument::Compact);
    bytes.append('\n');
    const size_t written = std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    return std::fflush(stdout) == 0 && written == static_cast<size_t>(bytes.size()) && !std::ferror(stdout);
}

// How a failure is told: always on standard error; with --json also as one object on
// standard output, so that a script reading it always gets JSON.
struct FailureReport
{
    bool json = false;
    QString command; // empty when none was recognised
};

int fail(int status, const QString& problem, const FailureReport& report)
{
    write(stderr, QStringLiteral("sweepora-cli: ") + problem + QLatin1Char('\n') +
                      (status == ExitUsage ? usageText() : QString()));
    if (report.json)
        writeJson({{QStringLiteral("command"), report.command.isEmpty() ? QJsonValue() : QJsonValue(report.command)},
                   {QStringLiteral("error"), true},
                   {QStringLiteral("message"), problem}});
    return status;
}

// Why `path` cannot serve as the home folder, or an empty string when it can.
QString unusableHome(const QString& path)
{
    // A home reached through a link (/home -> /usr/home) is taken at its real place once, when
    // its scope opens; no link below it is ever followed.
    const QByteArray bytes = Core::bytesFromPath(path);
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

// Reads whole lines: only y, yes, n and no (any case) answer; anything else asks again, and the
// end of input declines.
bool confirmOnTerminal(const QString& question)
{
    for (;;) {
        write(stderr, question + QStringLiteral(" [y/N] "));
        char* line = nullptr;
        size_t capacity = 0;
        const ssize_t length = ::getline(&line, &capacity, stdin);
        const QString a = length < 0 ? QString() : QString::fromLocal8Bit(line, length).trimmed().toLower();
        std::free(line);
        if (length < 0)
            return false;
        if (a == QLatin1String("y") || a == QLatin1String("yes"))
            return true;
        if (a == QLatin1String("n") || a == QLatin1String("no"))
            return false;
    }
}

// False when the report could not be written.
bool print(const QString& commandName, const Listing& listing, bool json)
{
    if (json) {
        QJsonObject object = listing.extra;
        object.insert(QStringLiteral("command"), commandName);
        object.insert(QStringLiteral("message"), listing.message);
        if (listing.listsItems && !listing.columns.isEmpty())
            object.insert(QStringLiteral("items"), listing.items);
        return writeJson(object);
    }
    QString text;
    if (!listing.rows.isEmpty())
        text += renderTable(listing.columns, listing.rows);
    text += printable(listing.message) + QLatin1Char('\n');
    return write(stdout, text);
}

// A report that did not reach standard output is a failure the user must hear of: whatever was
// moved is in the Trash, and the log on standard error names it.
int finish(const QString& commandName, const Listing& listing, bool json)
{
    if (print(commandName, listing, json))
        return ExitDone;
    write(stderr, QStringLiteral("sweepora-cli: cannot write the report to standard output: %1\n")
                      .arg(QString::fromLocal8Bit(std::strerror(errno))));
    return ExitCannotScan;
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

    QStringList names;
    for (const Command& c : commandTable())
        names.append(c.name);
    Arguments options;
    const QString parseError = parseArguments(arguments, names, options);
    const Command* command = options.command < 0 ? nullptr : &commandTable().at(options.command);
    // --json among the options before the command asks for JSON even when parsing failed later.
    FailureReport report;
    report.json = options.json;
    for (qsizetype i = 0; i < arguments.size() && arguments[i].startsWith(QLatin1Char('-')); ++i) {
        report.json = report.json || arguments[i] == QLatin1String("--json");
        if (arguments[i] == QLatin1String("--home") || arguments[i] == QLatin1String("--now"))
            ++i; // its value
    }
    if (command != nullptr)
        report.command = command->name;
    if (!parseError.isEmpty())
        return fail(ExitUsage, parseError, report);
    if (options.help)
        return write(stdout, usageText()) ? ExitDone : ExitCannotScan;
    if (options.version)
        return write(stdout, ProgramText::versionLine(QStringLiteral("sweepora-cli"))) ? ExitDone : ExitCannotScan;
    std::unique_ptr<CommandRunner> runner = command->make();
    if (const QString error = runner->parse(options.commandArguments); !error.isEmpty())
        return fail(ExitUsage, error, report);
    if (options.yes && !options.moveToTrash && !runner->asksItself())
        return fail(ExitUsage, QStringLiteral("--yes only goes with --move-to-trash"), report);
    if (runner->asksItself() && !options.yes && !::isatty(STDIN_FILENO))
        return fail(ExitUsage, QStringLiteral("no terminal to confirm on; add --yes to go ahead without asking"),
                    report);
    if (options.moveToTrash && !runner->canMoveToTrash())
        return fail(ExitUsage, QStringLiteral("%1 has nothing to move to the Trash").arg(command->name), report);
    if (options.moveToTrash && !options.yes && !::isatty(STDIN_FILENO))
        return fail(ExitUsage,
                    QStringLiteral("no terminal to confirm the move to the Trash on; add --yes to move without asking"),
                    report);

    CommandContext context;
    context.json = options.json;
    if (runner->asksItself() && !options.yes)
        context.confirm = confirmOnTerminal;
    if (!options.now.isEmpty()) {
        const QDateTime now = QDateTime::fromString(options.now, Qt::ISODateWithMs);
        if (!now.isValid())
            return fail(ExitUsage,
                        QStringLiteral("--now needs an ISO 8601 date and time, such as 2024-05-01T12:00:00; "
                                       "got \"%1\"")
                            .arg(options.now),
                        report);
        context.now = now;
    }

    // Running the command is the user's consent for the folder it names: that folder is the
    // open scope, the application roots may be read.
    if (options.homeGiven)
        PlatformLayout::setCurrent(PlatformLayout::forHome(options.home));
    const PlatformLayout& layout = PlatformLayout::current();
    context.home = layout.home;
    if (const QString why = unusableHome(context.home); !why.isEmpty())
        return fail(ExitCannotScan, QStringLiteral("cannot scan the home folder %1: %2").arg(context.home, why),
                    report);
    Sandbox::openScope(context.home);
    Sandbox::setReadOnlyRoots(layout.cacheApplicationRoots());

    Listing listing = runner->scan(context);
    if (!listing.failure.isEmpty())
        return fail(ExitCannotScan, listing.failure, report);
    if (!listing.usageError.isEmpty())
        return fail(ExitUsage, listing.usageError, report);

    if (options.moveToTrash) {
        if (!listing.trashPaths.isEmpty() && !options.yes && !runner->confirmsEachGroup() &&
            !confirmOnTerminal(QStringLiteral("将 %1 个项目移到废纸篓？").arg(listing.trashPaths.size()))) {
            write(stderr, QStringLiteral("未移动任何文件\n"));
            return finish(command->name, listing, options.json);
        }
        QJsonArray moved;
        QJsonArray failed;
        if (!listing.trashPaths.isEmpty()) {
            // One batch of the cleanup journal, named after the command, however the command moves.
            TrashGateway::Batch batch(command->name);
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
    return finish(command->name, listing, options.json);
}

} // namespace Sweepora::Cli
