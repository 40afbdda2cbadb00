#pragma once

#include <QString>
#include <QtGlobal>

namespace Sweepora::Core {

// File-style byte count: "0 KB" for 0; under 1,000 bytes "{n} 字节"; then base 1,000 with
// KB whole, MB to one decimal, GB and above to two, trailing zeros dropped ("1.5 MB").
QString formattedByteCount(qint64 bytes);

} // namespace Sweepora::Core
