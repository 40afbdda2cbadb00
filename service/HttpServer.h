#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace Sweepora::Service {

class ServiceApi;

// The HTTP front of the service (cpp-httplib): hands every request to the API. Before a body is
// read it refuses what could exhaust memory — a body over 64 KB, a chunked body (no length to
// check) and a compressed body (which could unpack to far more than it weighs); every refusal,
// including the library's own, is JSON.
//
// Slow and many clients: the library's read timeout restarts with every byte, so a client that
// sends a header line every few seconds would hold a thread for ever. Connections are therefore
// served by our own loop around the library's request parser, which gives each request a whole
// deadline for its headers and one for its body, caps the connections of one client address
// and the requests of one connection, and runs on a pool that grows with the connections.
class HttpServer
{
public:
    struct Settings
    {
        std::chrono::milliseconds headerTimeout{5000}; // from the request's first byte
        std::chrono::milliseconds bodyTimeout{10000};  // from the end of the headers
        std::chrono::milliseconds writeTimeout{10000}; // for the whole reply
        std::chrono::milliseconds keepAliveTimeout{5000};
        int requestsPerConnection = 100;
        int connectionsPerClient = 16;
        int maxWorkers = 128;
    };

    explicit HttpServer(ServiceApi& api);
    HttpServer(ServiceApi& api, Settings settings);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Port 0 takes a free port; `port()` then tells which. A port that another program (or
    // another instance) listens on is an error: there is only ever one listener.
    bool bind(const QString& host, int port, QString* error);
    int port() const { return m_port; }

    // Serves until `stop()`. Returns false when serving could not start.
    bool run();
    // Serves on a thread of its own (tests); `stop()` or the destructor ends it.
    void start();
    // Safe from any thread.
    void stop();
    // Stops accepting connections, lets the requests in flight finish for at most `grace`, then
    // stops. Safe from any thread; `run()` returns once the last connection has ended.
    void shutdown(std::chrono::milliseconds grace);

    class Engine;

private:
    ServiceApi& m_api;
    std::unique_ptr<Engine> m_server;
    std::thread m_thread;
    int m_port = -1;
    std::atomic<bool> m_finished{false};
};

// The key under which a client's limits are counted: an IPv4 address as it is, an IPv6 address
// by its /64 network (one machine usually holds a whole /64). Empty for text that is no address.
QString clientKey(const QString& address);

} // namespace Sweepora::Service
