#include "cli/TextTable.h"

#include <QStringView>

namespace Sweepora::Cli {
namespace {

bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x20000 && c <= 0x3FFFD);
}

QString pad(const QString& text, int width, bool right)
{
    const QString fill(qMax(0, width - displayWidth(text)), QLatin1Char(' '));
    return right ? fill + text : text + fill;
}

} // namespace

int displayWidth(const QString& text)
{
    int width = 0;
    for (char32_t c : QStringView(text).toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing)
            continue;
        width += isWide(c) ? 2 : 1;
    }
    return width;
}

QString printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString renderTable(const QList<Column>& columns, const QList<QStringList>& rows)
{
    QList<int> widths;
    for (const Column& c : columns)
        widths.append(displayWidth(c.title));
    QList<QStringList> cells;
    for (const QStringList& row : rows) {
        QStringList shown;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            shown.append(printable(i < row.size() ? row[i] : QString()));
            widths[i] = qMax(widths[i], displayWidth(shown.last()));
        }
        cells.append(shown);
    }
    auto line = [&](const QStringList& texts) {
        QString l;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const bool last = i + 1 == columns.size();
            // The last column is not padded on the right: no trailing blanks.
            l += (last && !columns[i].alignRight) ? texts[i] : pad(texts[i], widths[i], columns[i].alignRight);
            if (!last)
                l += QLatin1String("  ");
        }
        return l + QLatin1Char('\n');
    };
    QStringList titles;
    for (const Column& c : columns)
        titles.append(c.title);
    QString out = line(titles);
    for (const QStringList& row : cells)
        out += line(row);
    return out;
}

} // namespace Sweepora::Cli
