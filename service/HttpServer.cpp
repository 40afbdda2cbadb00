#include "HttpServer.h"

#include "ServiceApi.h"
#include "core/platform/Log.h"

#include <httplib.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace Sweepora::Service {
namespace {

using Clock = std::chrono::steady_clock;

// Set by the connection loop when the request on this thread ran out of time, so that the
// library's refusal of the cut-off request reads "timed out" rather than "malformed".
thread_local bool t_requestTimedOut = false;
// Set when a request is refused without its body having been read, or could not be parsed:
// what follows on the connection is not a request, and the connection ends after the reply.
thread_local bool t_closeAfterReply = false;
// When the request on this thread was routed: its latency runs from here to its reply.
thread_local std::optional<std::chrono::steady_clock::time_point> t_routedAt;

constexpr char kJsonType[] = "application/json; charset=utf-8";

void sendReply(const ApiReply& reply, httplib::Response& res)
{
    res.status = reply.status;
    for (const auto& [name, value] : reply.headers)
        res.set_header(name.toStdString(), value.toStdString());
    const QByteArray bytes = reply.bytes();
    res.set_content(bytes.constData(), size_t(bytes.size()),
                    reply.contentType.isEmpty() ? kJsonType : reply.contentType.constData());
}

// A refusal before the body was read: the rest of the request is still on the connection, so it
// is closed after the reply.
void refuseUnread(httplib::Response& res, int status, const QString& message)
{
    sendReply(ServiceApi::error(status, message), res);
    res.set_header("Connection", "close");
    t_closeAfterReply = true;
}

QString messageForStatus(int status)
{
    switch (status) {
    case 400:
        return QStringLiteral("请求格式不正确");
    case 404:
        return QStringLiteral("未找到请求的接口");
    case 405:
        return QStringLiteral("该接口不支持此请求方法");
    case 408:
        return QStringLiteral("请求超时");
    case 413:
        return QStringLiteral("请求内容过大（最多 64 KB）");
    case 414:
        return QStringLiteral("请求地址过长");
    case 416:
        return QStringLiteral("不支持按范围请求");
    default:
        return status >= 500 ? QStringLiteral("服务内部错误") : QStringLiteral("请求无法处理");
    }
}

ApiRequest apiRequest(const httplib::Request& req)
{
    ApiRequest request;
    request.method = QByteArray::fromStdString(req.method);
    request.path = QString::fromStdString(req.path);
    for (const auto& [name, value] : req.params)
        request.query.append({QString::fromStdString(name), QString::fromStdString(value)});
    request.contentType = QByteArray::fromStdString(req.get_header_value("Content-Type"));
    request.body = QByteArray::fromStdString(req.body);
    request.client = clientKey(QString::fromStdString(req.remote_addr));
    return request;
}

QString addressText(const sockaddr* address, socklen_t length, int* port)
{
    char host[NI_MAXHOST] = {};
    char service[NI_MAXSERV] = {};
    if (getnameinfo(address, length, host, sizeof host, service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return {};
    *port = std::atoi(service);
    return QString::fromLatin1(host);
}

// A reply written straight to the socket, for a connection that is refused before any request
// is read or whose request ran out of time before the library could answer it.
void writeRefusal(int socket, int status, const char* statusText, const QString& message)
{
    const QByteArray body = ServiceApi::error(status, message).bytes();
    const QByteArray reply = "HTTP/1.1 " + QByteArray::number(status) + ' ' + statusText +
                             "\r\nContent-Type: " + kJsonType +
                             "\r\nContent-Length: " + QByteArray::number(body.size()) +
                             "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body;
    ::send(socket, reply.constData(), size_t(reply.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
}

// Waits until `socket` is ready for `events`, the deadline passes (false, `timedOut` set) or
// the server stops (false). A socket that is ready wins over a stop that came at the same time.
bool waitFor(int socket, short events, int stopFd, Clock::time_point deadline, bool* timedOut, int drainFd = -1)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            if (timedOut)
                *timedOut = true;
            return false;
        }
        pollfd fds[3] = {{socket, events, 0}, {stopFd, POLLIN, 0}, {drainFd, POLLIN, 0}};
        const int ready = ::poll(fds, drainFd >= 0 ? 3 : 2, int(std::min<qint64>(left, 60'000)));
        if (ready < 0 && errno != EINTR)
            return false;
        if (fds[0].revents != 0)
            return true;
        if (fds[1].revents != 0 || fds[2].revents != 0)
            return false;
    }
}

// The library's view of one connection, with deadlines for whole requests rather than for
// single reads.
class DeadlineStream final : public httplib::Stream
{
public:
    DeadlineStream(int socket, int stopFd, const HttpServer::Settings& settings, std::string remote, int remotePort)
        : m_socket(socket), m_stopFd(stopFd), m_settings(settings), m_remote(std::move(remote)),
          m_remotePort(remotePort)
    {
        sockaddr_storage local{};
        socklen_t length = sizeof local;
        if (getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) == 0)
            m_local = addressText(reinterpret_cast<sockaddr*>(&local), length, &m_localPort).toStdString();
    }

    void startRequest()
    {
        m_inHeaders = true;
        m_lineLength = 0;
        m_lines = 0;
        m_read = 0;
        m_written = 0;
        m_writeDeadline.reset();
        m_deadline = Clock::now() + m_settings.headerTimeout;
        t_requestTimedOut = false;
        t_closeAfterReply = false;
    }
    bool hasBuffered() const { return m_begin < m_end; }
    bool timedOut() const { return t_requestTimedOut; }
    bool readAnything() const { return m_read > 0; }
    bool wroteAnything() const { return m_written > 0; }

    bool is_readable() const override
    {
        return hasBuffered() || waitFor(m_socket, POLLIN, m_stopFd, m_deadline, &t_requestTimedOut);
    }
    bool is_writable() const override
    {
        return waitFor(m_socket, POLLOUT, m_stopFd, m_writeDeadline.value_or(Clock::now() + m_settings.writeTimeout),
                       &t_requestTimedOut);
    }

    ssize_t read(char* ptr, size_t size) override
    {
        if (!hasBuffered()) {
            if (!is_readable())
                return -1;
            ssize_t n;
            do
                n = ::recv(m_socket, m_buffer, sizeof m_buffer, 0);
            while (n < 0 && errno == EINTR);
            if (n <= 0)
                return n;
            m_begin = 0;
            m_end = size_t(n);
        }
        const size_t n = std::min(size, m_end - m_begin);
        std::memcpy(ptr, m_buffer + m_begin, n);
        m_begin += n;
        m_read += n;
        if (m_inHeaders)
            followHeaders(ptr, n);
        return ssize_t(n);
    }

    ssize_t write(const char* ptr, size_t size) override
    {
        if (!m_writeDeadline)
            m_writeDeadline = Clock::now() + m_settings.writeTimeout;
        if (!is_writable())
            return -1;
        const ssize_t n = ::send(m_socket, ptr, size, MSG_NOSIGNAL);
        if (n > 0)
            m_written += size_t(n);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override
    {
        ip = m_remote;
        port = m_remotePort;
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override
    {
        ip = m_local;
        port = m_localPort;
    }
    socket_t socket() const override { return m_socket; }

private:
    // The empty line that ends the headers starts the body's deadline.
    void followHeaders(const char* bytes, size_t size)
    {
        for (size_t i = 0; i < size && m_inHeaders; ++i) {
            if (bytes[i] == '\n') {
                if (m_lineLength == 0 && m_lines > 0) {
                    m_inHeaders = false;
                    m_deadline = Clock::now() + m_settings.bodyTimeout;
                }
                ++m_lines;
                m_lineLength = 0;
            } else if (bytes[i] != '\r') {
                ++m_lineLength;
            }
        }
    }

    const int m_socket;
    const int m_stopFd;
    const HttpServer::Settings& m_settings;
    std::string m_remote;
    int m_remotePort = 0;
    std::string m_local;
    int m_localPort = 0;

    char m_buffer[4096];
    size_t m_begin = 0;
    size_t m_end = 0;
    bool m_inHeaders = true;
    size_t m_lineLength = 0;
    size_t m_lines = 0;
    size_t m_read = 0;
    size_t m_written = 0;
    Clock::time_point m_deadline;
    std::optional<Clock::time_point> m_writeDeadline;
};

// Worker threads made as connections need them, up to a maximum, and kept: a fixed small pool
// lets a few slow connections hold every thread.
class WorkerPool final : public httplib::TaskQueue
{
public:
    explicit WorkerPool(size_t maxThreads) : m_maxThreads(maxThreads) {}

    void enqueue(std::function<void()> job) override
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
        if (m_jobs.size() > m_idle && m_threads.size() < m_maxThreads)
            m_threads.emplace_back([this] { work(); });
        else
            m_ready.notify_one();
    }

    void shutdown() override
    {
        {
            const std::lock_guard lock(m_mutex);
            m_shutdown = true;
        }
        m_ready.notify_all();
        // The accept loop has ended: nothing adds threads any more.
        for (std::thread& thread : m_threads)
            thread.join();
    }

private:
    void work()
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(m_mutex);
                ++m_idle;
                m_ready.wait(lock, [this] { return !m_jobs.empty() || m_shutdown; });
                --m_idle;
                if (m_jobs.empty())
                    return;
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            job();
        }
    }

    const size_t m_maxThreads;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_jobs;
    std::vector<std::thread> m_threads;
    size_t m_idle = 0;
    bool m_shutdown = false;
};

} // namespace

class HttpServer::Engine final : public httplib::Server
{
public:
    explicit Engine(const Settings& settings) : m_settings(settings)
    {
        if (::pipe(m_stopPipe) != 0)
            m_stopPipe[0] = m_stopPipe[1] = -1;
        if (::pipe(m_drainPipe) != 0)
            m_drainPipe[0] = m_drainPipe[1] = -1;
        new_task_queue = [this] { return new WorkerPool(size_t(m_settings.maxWorkers)); };
        // One listener: the library's default would set SO_REUSEPORT, which lets a second
        // instance bind the same port and take half of the requests to its own database.
        set_socket_options([](socket_t socket) {
            const int yes = 1;
            ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
    }
    ~Engine() override
    {
        for (const int fd : {m_stopPipe[0], m_stopPipe[1], m_drainPipe[0], m_drainPipe[1]})
            if (fd >= 0)
                ::close(fd);
    }

    // The library listens with a backlog of 5: a burst of connections would wait for SYN
    // retransmissions (a second or more) before anything could refuse them.
    void widenBacklog() { ::listen(svr_sock_, SOMAXCONN); }

    void stopConnections() { signal(m_stopPipe[1]); }
    // Connections end after the request they are reading; idle ones at once.
    void drainConnections()
    {
        m_draining = true;
        signal(m_drainPipe[1]);
    }

private:
    bool process_and_close_socket(socket_t socket) override
    {
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        int remotePort = 0;
        const QString remote = getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) == 0
                                   ? addressText(reinterpret_cast<sockaddr*>(&peer), length, &remotePort)
                                   : QString();
        const std::string key = clientKey(remote).toStdString();
        bool served = false;
        if (admit(key)) {
            served = serve(socket, remote.toStdString(), remotePort);
            leave(key);
        } else {
            writeRefusal(socket, 429, "Too Many Requests", QStringLiteral("同一地址的连接过多，请稍后再试"));
            drain(socket);
        }
        ::shutdown(socket, SHUT_RDWR);
        ::close(socket);
        return served;
    }

    bool serve(int socket, std::string remote, int remotePort)
    {
        DeadlineStream stream(socket, m_stopPipe[0], m_settings, std::move(remote), remotePort);
        bool served = false;
        for (int left = m_settings.requestsPerConnection; left > 0; --left) {
            const auto wait =
                left == m_settings.requestsPerConnection ? m_settings.headerTimeout : m_settings.keepAliveTimeout;
            if (!stream.hasBuffered() &&
                !waitFor(socket, POLLIN, m_stopPipe[0], Clock::now() + wait, nullptr, m_drainPipe[0]))
                break;
            stream.startRequest();
            bool closed = false;
            served = process_request(stream, left == 1, closed, nullptr);
            if (stream.timedOut()) {
                if (stream.readAnything() && !stream.wroteAnything())
                    writeRefusal(socket, 408, "Request Timeout", messageForStatus(408));
                break;
            }
            if (!served || closed || t_closeAfterReply || m_draining)
                break;
        }
        return served;
    }

    bool admit(const std::string& key)
    {
        const std::lock_guard lock(m_mutex);
        int& open = m_open[key];
        if (open >= m_settings.connectionsPerClient)
            return false;
        ++open;
        return true;
    }

    void leave(const std::string& key)
    {
        const std::lock_guard lock(m_mutex);
        if (--m_open[key] <= 0)
            m_open.erase(key);
    }

    // Reads what the refused client sent, briefly, so that closing does not reset the
    // connection before the client has read the refusal; briefly, because each refusal holds a
    // worker meanwhile.
    void drain(int socket)
    {
        ::shutdown(socket, SHUT_WR);
        const auto deadline = Clock::now() + std::chrono::milliseconds(100);
        char sink[4096];
        while (waitFor(socket, POLLIN, m_stopPipe[0], deadline, nullptr) && ::recv(socket, sink, sizeof sink, 0) > 0) {
        }
    }

    static void signal(int fd)
    {
        const char byte = 0;
        if (fd >= 0) [[maybe_unused]]
            const ssize_t ignored = ::write(fd, &byte, 1);
    }

    const Settings m_settings;
    int m_stopPipe[2] = {-1, -1};
    int m_drainPipe[2] = {-1, -1};
    std::atomic<bool> m_draining{false};
    std::mutex m_mutex;
    std::unordered_map<std::string, int> m_open; // connections by client key
};

QString clientKey(const QString& address)
{
    const QByteArray text = address.toLatin1();
    in_addr v4{};
    if (inet_pton(AF_INET, text.constData(), &v4) == 1)
        return address;
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.constData(), &v6) != 1)
        return {};
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
        char shown[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &v6.s6_addr[12], shown, sizeof shown);
        return QString::fromLatin1(shown);
    }
    std::memset(&v6.s6_addr[8], 0, 8);
    char shown[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, &v6, shown, sizeof shown);
    return QString::fromLatin1(shown) + QStringLiteral("/64");
}

HttpServer::HttpServer(ServiceApi& api) : HttpServer(api, Settings{})
{}

HttpServer::HttpServer(ServiceApi& api, Settings settings) : m_api(api), m_server(std::make_unique<Engine>(settings))
{
    httplib::Server& server = *m_server;
    server.set_payload_max_length(size_t(ServiceApi::kMaxBodyBytes));
    // Only for the Keep-Alive header the library writes; the connection loop enforces both.
    server.set_keep_alive_max_count(size_t(settings.requestsPerConnection));
    server.set_keep_alive_timeout(std::max<time_t>(1, time_t(settings.keepAliveTimeout.count() / 1000)));
    // Headers and body leave in separate writes; without this a small reply waits for the
    // client's delayed ACK (about 40 ms) on every keep-alive request.
    server.set_tcp_nodelay(true);
    server.set_default_headers({{"Cache-Control", "no-store"}});

    server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        using Handled = httplib::Server::HandlerResponse;
        // Every reply is one whole JSON document: a Range would cut it into something that no
        // longer parses. The request is the library's own local object, handed over as const.
        const_cast<httplib::Request&>(req).ranges.clear();
        t_routedAt = Clock::now();
        if (req.has_header("Transfer-Encoding")) {
            refuseUnread(res, 411, QStringLiteral("请求内容须带 Content-Length"));
            return Handled::Handled;
        }
        const std::string encoding = req.get_header_value("Content-Encoding");
        if (!encoding.empty() && encoding != "identity") {
            refuseUnread(res, 415, QStringLiteral("不支持压缩的请求内容"));
            return Handled::Handled;
        }
        if (req.has_header("Content-Length") &&
            req.get_header_value<uint64_t>("Content-Length") > uint64_t(ServiceApi::kMaxBodyBytes)) {
            refuseUnread(res, 413, QStringLiteral("请求内容过大（最多 64 KB）"));
            return Handled::Handled;
        }
        return Handled::Unhandled;
    });

    // Every reply, the library's own refusals included, is counted.
    server.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        const double seconds = t_routedAt ? std::chrono::duration<double>(Clock::now() - *t_routedAt).count() : 0.0;
        t_routedAt.reset();
        m_api.metrics().recordRequest(ServiceApi::endpointLabel(QString::fromStdString(req.path)), res.status, seconds);
    });

    const auto handler = [this](const httplib::Request& req, httplib::Response& res) {
        sendReply(m_api.handle(apiRequest(req)), res);
    };
    // Every method and path goes to the API, which tells unknown paths (404) from known paths
    // asked with the wrong method (405).
    const std::string anyPath = "[\\s\\S]*";
    server.Get(anyPath, handler);
    server.Post(anyPath, handler);
    server.Put(anyPath, handler);
    server.Patch(anyPath, handler);
    server.Delete(anyPath, handler);
    server.Options(anyPath, handler);

    // Refusals that the library makes itself (a malformed request, an unknown method, a body
    // over the limit) get a JSON body too. Replies that already have one are left as they are.
    server.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        if (t_requestTimedOut && res.status == 400)
            res.status = 408;
        res.set_header("Connection", "close");
        t_closeAfterReply = true;
        sendReply(ServiceApi::error(res.status, messageForStatus(res.status)), res);
        return httplib::Server::HandlerResponse::Handled;
    }));
    server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr failure) {
        QString what = QStringLiteral("未知异常");
        try {
            if (failure)
                std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            what = QString::fromLocal8Bit(e.what());
        } catch (...) {
        }
        Core::Log::line(QStringLiteral("[Service] 处理请求时出错：") + what);
        sendReply(ServiceApi::error(500, messageForStatus(500)), res);
    });
}

HttpServer::~HttpServer()
{
    stop();
    if (m_thread.joinable())
        m_thread.join();
}

bool HttpServer::bind(const QString& host, int port, QString* error)
{
    // A client that goes away mid-reply must not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string address = host.toStdString();
    errno = 0;
    if (port == 0)
        m_port = m_server->bind_to_any_port(address);
    else
        m_port = m_server->bind_to_port(address, port) ? port : -1;
    if (m_port < 0) {
        if (error)
            *error = errno == EADDRINUSE
                         ? QStringLiteral("无法监听 %1:%2：端口已被占用（也许另一个 sweepora-service 正在运行）")
                               .arg(host)
                               .arg(port)
                         : QStringLiteral("无法监听 %1:%2").arg(host).arg(port);
        return false;
    }
    m_server->widenBacklog();
    return true;
}

bool HttpServer::run()
{
    const bool served = m_port >= 0 && m_server->listen_after_bind();
    m_finished = true;
    return served;
}

void HttpServer::start()
{
    m_thread = std::thread([this] { run(); });
    // Return only once requests are being accepted (or serving failed).
    while (!m_finished && !m_server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void HttpServer::shutdown(std::chrono::milliseconds grace)
{
    m_server->drainConnections();
    // Closes the listener: new connections are refused, accepted ones are still served.
    m_server->stop();
    const auto deadline = Clock::now() + grace;
    while (!m_finished && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    m_server->stopConnections();
}

void HttpServer::stop()
{
    m_server->stopConnections();
    m_server->stop();
}

} // namespace Sweepora::Service
