#include "core/platform/ProgramText.h"

#include "core/scanners/AboutInfo.h"

#include <QFile>
#include <QStringList>

namespace Sweepora::Core::ProgramText {

QString versionLine(const QString& program)
{
    return QStringLiteral("%1 %2 (build %3)\n")
        .arg(program, AboutInfo::shortVersionString().value_or(QStringLiteral("?")),
             AboutInfo::buildVersion().value_or(QStringLiteral("?")));
}

QString usage(const QString& resourcePath, const std::function<bool(const QString&)>& hasCommand)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text;
    bool skipping = false; // inside a command entry that is left out
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line == QLatin1String("[man]"))
            break;
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const bool entry = line.size() > 2 && line.startsWith(QLatin1String("  ")) && !line.at(2).isSpace();
        if (entry) {
            const QString name = line.mid(2).section(QLatin1Char(' '), 0, 0);
            skipping = hasCommand && !name.startsWith(QLatin1Char('-')) && !hasCommand(name);
        } else if (!line.startsWith(QLatin1String("   "))) {
            skipping = false;
        }
        if (!skipping)
            text += line + QLatin1Char('\n');
    }
    // The file's last newline is the text's.
    if (text.endsWith(QLatin1String("\n\n")))
        text.chop(1);
    return text;
}

} // namespace Sweepora::Core::ProgramText
