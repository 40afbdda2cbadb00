#include "core/util/NameOrder.h"

#include <QCollator>
#include <QLocale>

namespace Sweepora::Core {
namespace {

QLocale collationLocale()
{
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Chinese, QLocale::China);
    return system;
}

} // namespace

int localizedCaseInsensitiveCompare(const QString& a, const QString& b)
{
    // QCollator is reentrant, not thread-safe: one per thread.
    thread_local const QCollator collator = [] {
        QCollator c(collationLocale());
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setNumericMode(false);
        return c;
    }();
    const int r = collator.compare(a, b);
    if (r != 0)
        return r;
    // Names equal to the collator ("a" and "A") still need a stable order.
    return QString::compare(a, b, Qt::CaseSensitive);
}

QString lastPathComponent(const QString& path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? p : (p.size() == 1 ? p : p.mid(slash + 1));
}

QString parentPath(const QString& path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0)
        return QStringLiteral("/");
    return p.left(slash);
}

} // namespace Sweepora::Core
