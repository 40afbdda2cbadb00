#include "WorkshopListCache.h"

#include "ServiceClock.h"
#include "ServiceStore.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace Sweepora::Service {

std::optional<QByteArray> WorkshopListCache::reply()
{
    const std::lock_guard lock(m_mutex);
    // Read before the rows, so that a kept reply is never older than its generation.
    const std::optional<std::pair<qint64, qint64>> generation = m_store.workshopGeneration();
    if (generation && generation == m_generation)
        return m_reply;

    // Only reviewed entries go out: a held upload may name folders that must not be cleaned.
    const std::optional<QList<ServiceStore::WorkshopRow>> rows = m_store.workshopRows(ReviewState::approved, m_limit);
    if (!rows)
        return std::nullopt;

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
    m_pieces = std::move(pieces); // entries that left the list are forgotten
    m_reply = "{\"code\":200,\"data\":[" + data + "],\"message\":\"" + QStringLiteral("成功").toUtf8() + "\"}";
    m_generation = generation;
    return m_reply;
}

} // namespace Sweepora::Service
