#include "cli/Arguments.h"

namespace Sweepora::Cli {
namespace {

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

} // namespace

QString parseArguments(const QStringList& arguments, const QStringList& commandNames, Arguments& options)
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
    options.command = commandNames.indexOf(name);
    if (options.command < 0)
        return QStringLiteral("unknown command \"%1\"").arg(name);
    for (; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--move-to-trash"))
            options.moveToTrash = true;
        else if (arguments[i] == QLatin1String("--yes"))
            options.yes = true;
        else
            options.commandArguments.append(arguments[i]);
    }
    return {};
}

OptionValue takeOption(const QStringList& arguments, qsizetype& i, QLatin1String name, QString& value)
{
    const QString& a = arguments[i];
    if (a == name) {
        if (i + 1 >= arguments.size())
            return OptionValue::missing;
        value = arguments[++i];
        return OptionValue::given;
    }
    if (a.size() > name.size() && a.startsWith(name) && a[name.size()] == QLatin1Char('=')) {
        value = a.mid(name.size() + 1);
        return OptionValue::given;
    }
    return OptionValue::absent;
}

} // namespace Sweepora::Cli
