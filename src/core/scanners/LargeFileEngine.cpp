#include "core/scanners/LargeFileEngine.h"

#include "core/fs/Walker.h"
#include "core/scanners/ResultOrder.h"
#include "core/trash/ProtectedPlaces.h"
#include "core/trash/TrashGateway.h"

namespace Sweepora::Core::LargeFileEngine {
namespace {

QDateTime birthDateOf(const WalkEntry& entry)
{
    const std::optional<qint64> born = entry.birthTimeMSecs();
    return born ? QDateTime::fromMSecsSinceEpoch(*born) : QDateTime();
}

class Collector final : public WalkVisitor
{
public:
    explicit Collector(qint64 threshold) : m_threshold(threshold) {}

    WalkAction visit(const WalkEntry& entry) override
    {
        // The kind comes from the listing: only regular files cost a stat.
        if (entry.isRegularFile()) {
            const qint64 size = entry.allocatedOrLogicalSize();
            if (size >= m_threshold)
                items.append({entry.filePath(), size, false, ItemIdentity::of(entry), birthDateOf(entry)});
        }
        return WalkAction::proceed;
    }

    QList<LargeFileItem> items;

private:
    qint64 m_threshold;
};

} // namespace

qint64 thresholdBytes(double gigabytes)
{
    return static_cast<qint64>(gigabytes * 1073741824.0);
}

Report findLargeFilesOfAtLeast(const QString& home, qint64 thresholdBytes, std::shared_ptr<WalkProgress> progress)
{
    WalkOptions options;
    options.skipHidden = true;
    options.skipPackageDescendants = true;
    Report report;
    const WatchedVisitor<Collector> prototype(Collector(thresholdBytes), std::move(progress));
    for (WatchedVisitor<Collector>& part : Walker::walkEach(home, options, prototype))
        report.items.append(std::move(part.inner.items));
    ProtectedPlaces::current().removeProtected(report.items);
    sortBySizeThenName(report.items);
    return report;
}

Report findLargeFiles(const QString& home, double minimumGigabytes, std::shared_ptr<WalkProgress> progress)
{
    return findLargeFilesOfAtLeast(home, thresholdBytes(minimumGigabytes), std::move(progress));
}

static TrashBatchTexts trashTexts()
{
    return {QStringLiteral("[LargeFile]"), QStringLiteral("已将 {n} 个文件移到废纸篓"),
            QStringLiteral("已移动 {n} 个文件，部分文件处理失败")};
}

TrashBatchResult moveToTrash(const QList<LargeFileItem>& items)
{
    QList<TrashItem> request;
    for (const LargeFileItem& item : items)
        request.append({item.path, item.identity, item.size});
    return TrashGateway::moveToTrash(request, {trashTexts(), true, {}, QStringLiteral("large")});
}

} // namespace Sweepora::Core::LargeFileEngine
