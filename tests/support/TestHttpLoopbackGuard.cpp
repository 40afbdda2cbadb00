#include "support/TestHttpLoopbackGuard.h"

#include <QMutex>
#include <QNetworkProxyFactory>
#include <QTcpServer>

namespace Sweepora::Test {

struct TestHttpLoopbackGuard::Record
{
    mutable QMutex mutex;
    QStringList refused;
    quint16 deadPort = 0;
};

namespace {

// A port that was free a moment ago and is closed now: connecting to it is refused.
quint16 closedLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

class LoopbackOnlyFactory : public QNetworkProxyFactory
{
public:
    explicit LoopbackOnlyFactory(std::shared_ptr<TestHttpLoopbackGuard::Record> record) : m_record(std::move(record)) {}

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
    std::shared_ptr<TestHttpLoopbackGuard::Record> m_record;
};

} // namespace

TestHttpLoopbackGuard::TestHttpLoopbackGuard() : m_record(std::make_shared<Record>())
{
    m_record->deadPort = closedLoopbackPort();
    QNetworkProxyFactory::setApplicationProxyFactory(new LoopbackOnlyFactory(m_record));
}

TestHttpLoopbackGuard::~TestHttpLoopbackGuard()
{
    QNetworkProxyFactory::setApplicationProxyFactory(nullptr);
}

QStringList TestHttpLoopbackGuard::hostsRefused() const
{
    const QMutexLocker lock(&m_record->mutex);
    return m_record->refused;
}

} // namespace Sweepora::Test
