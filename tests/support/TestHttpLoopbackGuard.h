#pragma once

#include <QMutex>
#include <QNetworkProxyFactory>
#include <QStringList>
#include <QTcpServer>

#include <memory>

namespace Sweepora::Test {

// While alive, every network request of the process that is not for 127.0.0.1 is sent to a
// closed loopback port (so it fails at once and reaches nobody) and recorded. Tests use it to
// prove that the client contacts nothing but the test server.
class TestHttpLoopbackGuard
{
public:
    TestHttpLoopbackGuard() { QNetworkProxyFactory::setApplicationProxyFactory(new LoopbackOnlyFactory(m_record)); }
    ~TestHttpLoopbackGuard() { QNetworkProxyFactory::setApplicationProxyFactory(nullptr); }
    TestHttpLoopbackGuard(const TestHttpLoopbackGuard&) = delete;
    TestHttpLoopbackGuard& operator=(const TestHttpLoopbackGuard&) = delete;

    QStringList hostsRefused() const
    {
        const QMutexLocker lock(&m_record->mutex);
        return m_record->refused;
    }

private:
    struct Record
    {
        QMutex mutex;
        QStringList refused;
        quint16 deadPort = closedLoopbackPort();
    };

    // A port that was free a moment ago and is closed now: connecting to it is refused.
    static quint16 closedLoopbackPort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    class LoopbackOnlyFactory : public QNetworkProxyFactory
    {
    public:
        explicit LoopbackOnlyFactory(std::shared_ptr<Record> record) : m_record(std::move(record)) {}

        QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override
        {
            const QString host = query.peerHostName();
            const QMutexLocker lock(&m_record->mutex);
            if (host == QLatin1String("127.0.0.1"))
                return {QNetworkProxy(QNetworkProxy::NoProxy)};
            m_record->refused.append(host);
            return {QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), m_record->deadPort)};
        }

    private:
        std::shared_ptr<Record> m_record;
    };

    std::shared_ptr<Record> m_record = std::make_shared<Record>();
};

} // namespace Sweepora::Test
