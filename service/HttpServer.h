#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <thread>

namespace httplib {
class Server;
}

namespace Sweepora::Service {

class ServiceApi;

// The HTTP front of the service (cpp-httplib): a pool of request threads that hand every
// request to the API. Before a body is read it refuses what could exhaust memory — a body over
// 64 KB, a chunked body (no length to check) and a compressed body (which could unpack to far
// more than it weighs); every refusal, including the library's own, is JSON.
class HttpServer
{
public:
    static constexpr int kWorkerThreads = 16;

    explicit HttpServer(ServiceApi& api);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Port 0 takes a free port; `port()` then tells which.
    bool bind(const QString& host, int port, QString* error);
    int port() const { return m_port; }

    // Serves until `stop()`. Returns false when serving could not start.
    bool run();
    // Serves on a thread of its own (tests); `stop()` or the destructor ends it.
    void start();
    // Safe from any thread.
    void stop();

private:
    ServiceApi& m_api;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = -1;
    std::atomic<bool> m_finished{false};
};

} // namespace Sweepora::Service
