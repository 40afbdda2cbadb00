#include "cli/Commands.h"

#include "core/trash/CleanupHistory.h"
#include "core/util/ByteCount.h"

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

class HistoryCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        if (!arguments.isEmpty())
            return QStringLiteral("history does not take \"%1\"").arg(arguments.first());
        return {};
    }

    Listing scan(const CommandContext& context) override
    {
        Q_UNUSED(context);
        Listing listing;
        listing.columns = {{QStringLiteral("编号"), true},  {QStringLiteral("时间"), false},
                           {QStringLiteral("类别"), false}, {QStringLiteral("项目"), true},
                           {QStringLiteral("大小"), true},  {QStringLiteral("废纸篓中"), true}};
        CleanupHistory::refresh();
        const QList<CleanupJournal::Batch> batches = CleanupHistory::batches();
        for (const CleanupJournal::Batch& b : batches) {
            listing.items.append(QJsonObject{{QStringLiteral("id"), b.id},
                                             {QStringLiteral("time"), b.time.toUTC().toString(Qt::ISODateWithMs)},
                                             {QStringLiteral("section"), b.section},
                                             {QStringLiteral("count"), b.count},
                                             {QStringLiteral("size"), b.size},
                                             {QStringLiteral("inTrash"), b.inTrash}});
            listing.rows.append({QString::number(b.id),
                                 b.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                 CleanupHistory::sectionTitle(b.section), QString::number(b.count),
                                 formattedByteCount(b.size), QString::number(b.inTrash)});
        }
        listing.message =
            batches.isEmpty() ? QStringLiteral("暂无清理记录") : QStringLiteral("共 %1 条清理记录").arg(batches.size());
        return listing;
    }
};

class RestoreCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        if (arguments.size() != 1)
            return QStringLiteral("restore takes one batch number or --last");
        if (arguments[0] == QLatin1String("--last")) {
            m_last = true;
            return {};
        }
        bool ok = false;
        m_batch = arguments[0].toLongLong(&ok);
        if (!ok || m_batch <= 0)
            return QStringLiteral("restore needs a batch number from history or --last; got \"%1\"").arg(arguments[0]);
        return {};
    }

    bool asksItself() const override { return true; }

    Listing scan(const CommandContext& context) override
    {
        Listing listing;
        listing.listsItems = false;
        const qint64 batch = m_last ? CleanupHistory::lastRestorable() : m_batch;
        const std::optional<CleanupJournal::Batch> found =
            batch > 0 ? CleanupJournal::current()->batch(batch) : std::nullopt;
        if (!found) {
            listing.usageError = m_last ? QStringLiteral("the cleanup journal has no batch with items in the Trash")
                                        : QStringLiteral("the cleanup journal has no batch %1").arg(m_batch);
            return listing;
        }
        QJsonArray restored;
        QJsonArray failed;
        if (context.confirm && !context.confirm(QStringLiteral("将第 %1 批（%2，%3 项）恢复到原位置？")
                                                    .arg(found->id)
                                                    .arg(CleanupHistory::sectionTitle(found->section))
                                                    .arg(found->inTrash))) {
            listing.message = QStringLiteral("未恢复任何项目");
        } else {
            const CleanupHistory::RestoreResult result = CleanupHistory::restore(found->id);
            for (const QString& p : result.restored)
                restored.append(p);
            for (const TrashFailure& f : result.failed)
                failed.append(QJsonObject{{QStringLiteral("path"), f.path}, {QStringLiteral("error"), f.error}});
            listing.message = result.message;
            for (const TrashFailure& f : result.failed)
                listing.rows.append({f.path, f.error});
            listing.columns = {{QStringLiteral("未能恢复"), false}, {QStringLiteral("原因"), false}};
        }
        listing.extra = {{QStringLiteral("restored"), restored}, {QStringLiteral("failed"), failed}};
        return listing;
    }

private:
    bool m_last = false;
    qint64 m_batch = 0;
};

} // namespace

Command historyCommand()
{
    return {QStringLiteral("history"), [] { return std::make_unique<HistoryCommand>(); }};
}

Command restoreCommand()
{
    return {QStringLiteral("restore"), [] { return std::make_unique<RestoreCommand>(); }};
}

} // namespace Sweepora::Cli
