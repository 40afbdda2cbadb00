#include "ServiceMetrics.h"

namespace Sweepora::Service {

void ServiceMetrics::recordRequest(const QString& endpoint, int status, double seconds)
{
    const std::lock_guard lock(m_mutex);
    ++m_requests[{endpoint, status}];
    ++m_count;
    m_sum += seconds;
    for (size_t i = 0; i < kBuckets.size(); ++i)
        if (seconds <= kBuckets[i]) {
            ++m_bucketCounts[i];
            break;
        }
}

QByteArray ServiceMetrics::text(qint64 databaseErrors) const
{
    const std::lock_guard lock(m_mutex);
    QByteArray out;
    out += "# HELP sweepora_requests_total Requests answered, by endpoint and status.\n"
           "# TYPE sweepora_requests_total counter\n";
    for (const auto& [key, count] : m_requests)
        out += "sweepora_requests_total{endpoint=\"" + key.first.toUtf8() + "\",status=\"" +
               QByteArray::number(key.second) + "\"} " + QByteArray::number(count) + '\n';
    out += "# HELP sweepora_request_duration_seconds Time from a request's headers to its reply.\n"
           "# TYPE sweepora_request_duration_seconds histogram\n";
    qint64 cumulative = 0;
    for (size_t i = 0; i < kBuckets.size(); ++i) {
        cumulative += m_bucketCounts[i];
        out += "sweepora_request_duration_seconds_bucket{le=\"" + QByteArray::number(kBuckets[i]) + "\"} " +
               QByteArray::number(cumulative) + '\n';
    }
    out += "sweepora_request_duration_seconds_bucket{le=\"+Inf\"} " + QByteArray::number(m_count) + '\n';
    out += "sweepora_request_duration_seconds_sum " + QByteArray::number(m_sum, 'g', 9) + '\n';
    out += "sweepora_request_duration_seconds_count " + QByteArray::number(m_count) + '\n';
    out += "# HELP sweepora_database_errors_total Database statements and connections that failed.\n"
           "# TYPE sweepora_database_errors_total counter\n"
           "sweepora_database_errors_total " +
           QByteArray::number(databaseErrors) + '\n';
    out += "# HELP sweepora_codes_sent_total Sign-in codes delivered.\n"
           "# TYPE sweepora_codes_sent_total counter\n"
           "sweepora_codes_sent_total " +
           QByteArray::number(m_codesSent.load()) + '\n';
    return out;
}

} // namespace Sweepora::Service
