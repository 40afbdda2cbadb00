#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <atomic>
#include <map>
#include <mutex>
#include <utility>

namespace Sweepora::Service {

// What GET /metrics tells, in Prometheus's text format: requests by endpoint and status, a
// histogram of their latency, database errors and codes sent. Thread-safe.
class ServiceMetrics
{
public:
    // Upper bounds of the latency buckets, in seconds.
    static constexpr std::array<double, 10> kBuckets = {0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 1, 5};

    // `endpoint` is a known path or "other": a label per path asked for would let any client
    // grow the metrics without end.
    void recordRequest(const QString& endpoint, int status, double seconds);
    void recordCodeSent() { ++m_codesSent; }

    QByteArray text(qint64 databaseErrors) const;

private:
    mutable std::mutex m_mutex;
    std::map<std::pair<QString, int>, qint64> m_requests;
    std::array<qint64, kBuckets.size()> m_bucketCounts{}; // not cumulative; summed when shown
    qint64 m_count = 0;
    double m_sum = 0;
    std::atomic<qint64> m_codesSent{0};
};

} // namespace Sweepora::Service
