#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QUrlQuery>
#include <functional>
#include <optional>

class QTcpServer;
class QTcpSocket;

namespace Sweepora::Test {

// A scripted HTTP/1.1 server on 127.0.0.1 and a free port, for the service client's tests. It
// answers each method and path with the reply scripted for it (404 with an empty body when
// none is), records every request, and closes every connection when it is destroyed. Requests
// are bounded in size; bodies must come with Content-Length (Qt's client always sends one).
class TestHttpServer : public QObject
{
    Q_OBJECT
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Reply
    {
        int status = 200;
        Headers headers;
        QByteArray body;
        bool neverAnswer = false; // keep the connection open and silent
    };

    struct Request
    {
        QByteArray method;
        QByteArray target; // as sent: path and query, still percent-encoded
        QString path;      // decoded path, without the query
        QUrlQuery query;
        Headers headers; // in the order sent
        QByteArray body;

        // The value of the first header of that name (case-insensitive); empty when absent.
        QByteArray header(const QByteArray& name) const;
        QList<QByteArray> headerNames() const;
    };

    TestHttpServer();
    ~TestHttpServer() override;

    bool isListening() const;
    // "http://127.0.0.1:<port>"
    QUrl baseURL() const;
    // Points SWEEPORA_SERVICE_URL and SWEEPORA_POEM_URL at this server (and restores them later).
    void useForServices();

    void setReply(const QByteArray& method, const QString& path, const Reply& reply);
    static Reply json(int status, const QByteArray& body);
    static Reply silent();

    const QList<Request>& requests() const { return m_requests; }

private:
    enum class Parse { needMore, took, bad };

    void onConnection();
    void onReadable(QTcpSocket* socket);
    Parse takeRequest(QTcpSocket* socket, QByteArray& buffer);
    void answer(QTcpSocket* socket, const Request& request);

    QTcpServer* m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QHash<QString, Reply> m_replies; // "METHOD path"
    QList<Request> m_requests;
    QList<QPair<QByteArray, std::optional<QByteArray>>> m_savedEnvironment;
};

} // namespace Sweepora::Test
