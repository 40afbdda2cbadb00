#pragma once

#include <QByteArray>
#include <QHash>

#include <mutex>
#include <optional>
#include <utility>

namespace Sweepora::Service {

class ServiceStore;

// The encoded reply of the workshop list. It is read far more often than the workshop changes,
// so it is kept until the store's generation moves on, and then rebuilt from entries that were
// each encoded once. One thread rebuilds while the others wait: after an upload every reader
// would otherwise build the same list at once.
class WorkshopListCache
{
public:
    WorkshopListCache(ServiceStore& store, int limit) : m_store(store), m_limit(limit) {}

    // The whole envelope of the newest approved entries, or nothing when the database failed.
    std::optional<QByteArray> reply();

private:
    struct Piece
    {
        qint64 updatedAt = 0;
        QByteArray json; // empty: the row does not decode and is left out
    };

    ServiceStore& m_store;
    const int m_limit;
    std::mutex m_mutex;
    std::optional<std::pair<qint64, qint64>> m_generation;
    QByteArray m_reply;
    QHash<qint64, Piece> m_pieces;
};

} // namespace Sweepora::Service
