#include "trash/CleanupHistory.h"

namespace Sweepora::Core::CleanupHistory {

QString sectionTitle(const QString& section)
{
    return section;
}

void refresh()
{}

QList<CleanupJournal::Batch> batches()
{
    return CleanupJournal::current()->batches();
}

QList<CleanupJournal::Entry> entries(qint64 batch)
{
    return CleanupJournal::current()->entries(batch);
}

qint64 lastRestorable()
{
    return 0;
}

RestoreResult restore(qint64, const QList<qint64>&)
{
    return {};
}

EmptyPlan planEmptying()
{
    return {};
}

EmptyResult empty(const EmptyPlan&, const std::function<void(qint64, qint64)>&)
{
    return {};
}

} // namespace Sweepora::Core::CleanupHistory
