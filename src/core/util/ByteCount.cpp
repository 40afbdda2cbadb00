#include "core/util/ByteCount.h"

#include <array>
#include <cmath>

namespace Sweepora::Core {

QString formattedByteCount(qint64 bytes)
{
    if (bytes == 0)
        return QStringLiteral("0 KB");
    const bool negative = bytes < 0;
    const double magnitude = negative ? -static_cast<double>(bytes) : static_cast<double>(bytes);
    const QString sign = negative ? QStringLiteral("-") : QString();
    if (magnitude < 1000.0)
        return sign + QString::number(static_cast<qint64>(magnitude)) + QStringLiteral(" 字节");

    static constexpr std::array<const char*, 6> units = {"KB", "MB", "GB", "TB", "PB", "EB"};
    static constexpr std::array<int, 6> decimals = {0, 1, 2, 2, 2, 2};
    double value = magnitude / 1000.0;
    size_t unit = 0;
    for (;;) {
        const double scale = std::pow(10.0, decimals[unit]);
        const double rounded = std::round(value * scale) / scale;
        // 999,999 bytes rounds to "1,000 KB": show it in the next unit instead.
        if (rounded >= 1000.0 && unit + 1 < units.size()) {
            value /= 1000.0;
            ++unit;
            continue;
        }
        QString text = QString::number(rounded, 'f', decimals[unit]);
        if (text.contains(QLatin1Char('.'))) {
            while (text.endsWith(QLatin1Char('0')))
                text.chop(1);
            if (text.endsWith(QLatin1Char('.')))
                text.chop(1);
        }
        return sign + text + QLatin1Char(' ') + QLatin1String(units[unit]);
    }
}

} // namespace Sweepora::Core
