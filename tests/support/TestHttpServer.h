#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>
#include <optional>

namespace Sweepora::Test {

// A scripted HTTP/1.1 server on 127.0.0.1 and a free port, for the service client's tests. It
// answers each method and path with the reply scripted for it (404 with an empty body when
// none is), records every request, and closes every connection when it is destroyed. Requests
// are bounded in size; bodies must come with Content-Length (Qt's client always sends one).
class TestHttpServer : public QObject
{
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
        QByteArray header(const QByteArray& name) const
        {
            for (const auto& [key, value] : headers)
                if (key.compare(name, Qt::CaseInsensitive) == 0)
                    return value;
            return {};
        }
        QList<QByteArray> headerNames() const
        {
            QList<QByteArray> names;
            for (const auto& header : headers)
                names.append(header.first);
            return names;
        }
    };

    TestHttpServer() : m_server(new QTcpServer(this))
    {
        m_server->setMaxPendingConnections(kMaxConnections);
        connect(m_server, &QTcpServer::newConnection, this, &TestHttpServer::onConnection);
        m_server->listen(QHostAddress::LocalHost, 0);
    }

    ~TestHttpServer() override
    {
        m_server->close();
        for (QTcpSocket* socket : m_buffers.keys())
            socket->abort();
        for (const auto& [name, value] : m_savedEnvironment) {
            if (value)
                qputenv(name.constData(), *value);
            else
                qunsetenv(name.constData());
        }
    }

    bool isListening() const { return m_server->isListening(); }
    // "http://127.0.0.1:<port>"
    QUrl baseURL() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server->serverPort())); }

    // Points SWEEPORA_SERVICE_URL and SWEEPORA_POEM_URL at this server (and restores them later).
    void useForServices()
    {
        const QByteArray address = baseURL().toEncoded();
        for (const char* name : {"SWEEPORA_SERVICE_URL", "SWEEPORA_POEM_URL"}) {
            m_savedEnvironment.append(
                {name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
            qputenv(name, address);
        }
    }

    void setReply(const QByteArray& method, const QString& path, const Reply& reply)
    {
        m_replies.insert(routeKey(method, path), reply);
    }
    static Reply json(int status, const QByteArray& body)
    {
        return Reply{status, {{"Content-Type", "application/json"}}, body, false};
    }
    static Reply silent() { return Reply{200, {}, {}, true}; }

    const QList<Request>& requests() const { return m_requests; }

private:
    enum class Parse { needMore, took, bad };
    static constexpr qsizetype kMaxRequestBytes = 1 << 20;
    static constexpr int kMaxConnections = 32;

    static QString routeKey(const QByteArray& method, const QString& path)
    {
        return QString::fromLatin1(method) + QLatin1Char(' ') + path;
    }

    void onConnection()
    {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            if (m_buffers.size() >= kMaxConnections) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            m_buffers.insert(socket, {});
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
        }
    }

    void onReadable(QTcpSocket* socket)
    {
        auto it = m_buffers.find(socket);
        if (it == m_buffers.end())
            return;
        it->append(socket->readAll());
        // Several requests may arrive back to back on one kept-alive connection.
        Parse parse = Parse::took;
        while (parse == Parse::took)
            parse = it->size() > kMaxRequestBytes ? Parse::bad : takeRequest(socket, *it);
        if (parse == Parse::bad) {
            // Forget the buffer first: aborting emits disconnected at once.
            m_buffers.erase(it);
            socket->abort();
            socket->deleteLater();
        }
    }

    Parse takeRequest(QTcpSocket* socket, QByteArray& buffer)
    {
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return Parse::needMore;
        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        if (requestLine.size() != 3)
            return Parse::bad;

        Request request;
        request.method = requestLine[0];
        request.target = requestLine[1];
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        bool lengthOk = true;
        const QByteArray lengthText = request.header("Content-Length");
        const qsizetype length = lengthText.isEmpty() ? 0 : lengthText.toLongLong(&lengthOk);
        if (!lengthOk || length < 0 || length > kMaxRequestBytes || !request.header("Transfer-Encoding").isEmpty())
            return Parse::bad;
        if (buffer.size() < headEnd + 4 + length)
            return Parse::needMore;
        request.body = buffer.mid(headEnd + 4, length);
        buffer.remove(0, headEnd + 4 + length);

        const QUrl url = QUrl::fromEncoded(request.target);
        request.path = url.path();
        request.query = QUrlQuery(url);
        m_requests.append(request);
        answer(socket, request);
        return Parse::took;
    }

    void answer(QTcpSocket* socket, const Request& request)
    {
        const Reply reply = m_replies.value(routeKey(request.method, request.path), Reply{404, {}, {}, false});
        if (reply.neverAnswer)
            return;
        QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\n";
        for (const auto& [name, value] : reply.headers)
            out += name + ": " + value + "\r\n";
        out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n";
        out += reply.body;
        socket->write(out);
    }

    QTcpServer* m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QHash<QString, Reply> m_replies; // "METHOD path"
    QList<Request> m_requests;
    QList<QPair<QByteArray, std::optional<QByteArray>>> m_savedEnvironment;
};

} // namespace Sweepora::Test
