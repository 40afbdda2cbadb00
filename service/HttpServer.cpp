#include "HttpServer.h"

#include "ServiceApi.h"
#include "platform/Log.h"

#include <httplib.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>

namespace Sweepora::Service {
namespace {

constexpr char kJsonType[] = "application/json; charset=utf-8";

void sendReply(const ApiReply& reply, httplib::Response& res)
{
    res.status = reply.status;
    for (const auto& [name, value] : reply.headers)
        res.set_header(name.toStdString(), value.toStdString());
    const QByteArray bytes = reply.bytes();
    res.set_content(bytes.constData(), size_t(bytes.size()), kJsonType);
}

// A refusal before the body was read: the rest of the request is still on the connection, so it
// is closed after the reply.
void refuseUnread(httplib::Response& res, int status, const QString& message)
{
    sendReply(ServiceApi::error(status, message), res);
    res.set_header("Connection", "close");
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
    return request;
}

} // namespace

HttpServer::HttpServer(ServiceApi& api) : m_api(api), m_server(std::make_unique<httplib::Server>())
{
    httplib::Server& server = *m_server;
    server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    server.set_payload_max_length(size_t(ServiceApi::kMaxBodyBytes));
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.set_keep_alive_timeout(5);
    server.set_keep_alive_max_count(100);
    // Headers and body leave in separate writes; without this a small reply waits for the
    // client's delayed ACK (about 40 ms) on every keep-alive request.
    server.set_tcp_nodelay(true);
    server.set_default_headers({{"Cache-Control", "no-store"}});

    server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        using Handled = httplib::Server::HandlerResponse;
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
    if (port == 0)
        m_port = m_server->bind_to_any_port(address);
    else
        m_port = m_server->bind_to_port(address, port) ? port : -1;
    if (m_port < 0 && error)
        *error = QStringLiteral("无法监听 %1:%2").arg(host).arg(port);
    return m_port >= 0;
}

bool HttpServer::run()
{
    return m_port >= 0 && m_server->listen_after_bind();
}

void HttpServer::start()
{
    m_thread = std::thread([this] {
        run();
        m_finished = true;
    });
    // Return only once requests are being accepted (or serving failed).
    while (!m_finished && !m_server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void HttpServer::stop()
{
    m_server->stop();
}

} // namespace Sweepora::Service
