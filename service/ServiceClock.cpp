#include "ServiceClock.h"

#include <QDateTime>

namespace Sweepora::Service {

ServiceClock systemClock()
{
    return [] { return QDateTime::currentMSecsSinceEpoch(); };
}

QString isoTimestamp(qint64 millisecondsSinceEpoch)
{
    return QDateTime::fromMSecsSinceEpoch(millisecondsSinceEpoch, Qt::UTC).toString(Qt::ISODate);
}

} // namespace Sweepora::Service
