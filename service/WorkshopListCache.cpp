#include "WorkshopListCache.h"

#include "ServiceClock.h"
#include "ServiceStore.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace Sweepora::Service {

std::optional<QByteArray> WorkshopListCache::reply(int page)
{
    // Read before the rows, so that a kept reply is never older than its generation; and before
    // the lock, so that readers of a kept reply do not wait for each other's database round trip.
    const std::optional<std::pair<qint64, qint64>> generation = m_store.workshopGeneration();
    const std::lock_guard lock(m_mutex);
    if (!generation || generation != m_generation) {
        m_replies.clear();
        m_generation = generation;
    } else if (const auto kept = m_replies.constFind(page); kept != m_replies.constEnd()) {
        return *kept;
    }

    // Only approved entries go out: a held upload may name folders that must not be cleaned.
    const std::optional<QList<ServiceStore::WorkshopRow>> rows =
        m_store.listedWorkshopRows(page, kPageSize, kOperatorLimit);
    if (!rows) {
        m_generation.reset();
        return std::nullopt;
    }

    QHash<qint64, Piece> pieces;
    pieces.reserve(rows->size());
    QByteArray data;
    for (const ServiceStore::WorkshopRow& row : *rows) {
        const auto known = m_pieces.constFind(row.id);
        Piece piece = known != m_pieces.constEnd() ? *known : Piece{};
        if (known == m_pieces.constEnd() || piece.updatedAt != row.updatedAt) {
            piece = {row.updatedAt, {}};
            if (const std::optional<WorkshopEntry> entry = row.decoded())
                piece.json = QJsonDocument(QJsonObject{{QStringLiteral("id"), entry->id},
                                                       {QStringLiteral("allow"), entry->allow()},
                                                       {QStringLiteral("rule_json"), entry->rule.toJsonObject()},
                                                       {QStringLiteral("created_at"), isoTimestamp(entry->createdAt)},
                                                       {QStringLiteral("updated_at"), isoTimestamp(entry->updatedAt)}})
                                 .toJson(QJsonDocument::Compact);
        }
        if (!piece.json.isEmpty()) {
            if (!data.isEmpty())
                data += ',';
            data += piece.json;
        }
        pieces.insert(row.id, std::move(piece));
    }
    // Entries of the first page are the ones asked for again and again; others are forgotten.
    if (page == 1)
        m_pieces = std::move(pieces);
    QByteArray reply = "{\"code\":200,\"data\":[" + data + "],\"message\":\"" + QStringLiteral("成功").toUtf8() + "\"}";
    if (page <= kMaxPage)
        m_replies.insert(page, reply);
    return reply;
}

} // namespace Sweepora::Service
