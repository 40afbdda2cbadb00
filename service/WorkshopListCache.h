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
    static constexpr int kPageSize = 200;       // entries approved by the automatic review
    static constexpr int kOperatorLimit = 1000; // entries approved by an operator, on the first page
    static constexpr int kMaxPage = 100;        // pages kept; later ones are built each time

    explicit WorkshopListCache(ServiceStore& store) : m_store(store) {}

    // The whole envelope of one page of the public list (from 1), or nothing when the database
    // failed.
    std::optional<QByteArray> reply(int page);

private:
    struct Piece
    {
        qint64 updatedAt = 0;
        QByteArray json; // empty: the row does not decode and is left out
    };

    ServiceStore& m_store;
    std::mutex m_mutex;
    std::optional<std::pair<qint64, qint64>> m_generation;
    QHash<int, QByteArray> m_replies; // by page
    QHash<qint64, Piece> m_pieces;
};

} // namespace Sweepora::Service
