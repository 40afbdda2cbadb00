#pragma once

#include "core/platform/Context.h"
#include "core/services/ServiceError.h"
#include "core/util/JsonReader.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;

namespace Sweepora::Core {

// The body of a failed POST, read only for its "message".
struct ServerErrorEnvelope
{
    QString message;

    static bool read(JsonReader& reader, const QJsonValue& value, ServerErrorEnvelope& out);
};

// The only network client. Every call is asynchronous and made on the GUI thread: the request
// leaves at once, the transfer runs inside Qt's network stack, and `done` is called later on the
// GUI thread exactly once, with the decoded value or an error — unless `context` has been
// destroyed by then, in which case nothing is called (the request itself is never cancelled).
// Nothing is retried, cached or logged here.
class HTTPUtil
{
public:
    template <typename T> using Completion = std::function<void(ServiceResult<T>)>;

    // The GET idle limit, the POST idle limit and the limit for a whole exchange. Qt aborts a
    // request after `get`/`post` without a byte moving (setTransferTimeout); a timer ends any
    // exchange after `resource`. `sessionDefault` is the manager's own idle limit, which every
    // request here overrides. Tests shorten them. They belong to the installed context.
    using Timeouts = HttpTimeouts;
    static Timeouts timeouts();
    static void setTimeouts(const Timeouts& timeouts);

    // "http://127.0.0.1:8787", or SWEEPORA_SERVICE_URL when that holds an http(s) URL with a host.
    // Read on every call, so a test can point it at a fresh server.
    static QUrl serviceBaseURL();
    // `path` without its one leading "/", appended under the base URL: "/market/tasks" and
    // "market/tasks" give the same URL.
    static QUrl endpointURL(const QString& path);
    // The poem service's root with the query "c=i"; SWEEPORA_POEM_URL replaces the root.
    static QUrl poemURL();

    // A 2xx body read strictly as T (see JsonReader); an array or an object may be the top level.
    template <typename T> static ServiceResult<T> decode(const QByteArray& body)
    {
        QJsonParseError parseError{};
        const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
        if (parseError.error != QJsonParseError::NoError)
            return DecodingError{DecodingError::Problem::notJSON, {}, parseError.errorString()};
        const QJsonValue root = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
        JsonReader reader;
        T value{};
        if (!reader.readValue(root, value))
            return DecodingError::from(*reader.error());
        return value;
    }

    // The installed context's manager, created on first use as a child of the application object.
    static QNetworkAccessManager& sharedSession();
    // Deletes the manager, joining its network thread. Call before the application object goes:
    // a thread still running while it is destroyed dispatches events into a dead application.
    static void closeSession();

    // GET `url` with "Accept: application/json". A status outside 2xx fails with badStatus (the
    // body is not read); a 2xx body that does not decode as T fails with a DecodingError.
    template <typename T> static void getJSON(const QUrl& url, QObject* context, Completion<T> done)
    {
        send(Method::get, url, {}, context, [done = std::move(done)](const Exchange& exchange) {
            if (auto failure = statusFailure(Method::get, exchange))
                done(std::move(*failure));
            else
                done(decode<T>(exchange.body));
        });
    }

    // POST `body` as compact JSON with "Accept" and "Content-Type" set to "application/json". A
    // status outside 2xx fails with badResponse, carrying the body's "message" when it has one.
    template <typename T>
    static void postJSON(const QUrl& url, const QJsonObject& body, QObject* context, Completion<T> done)
    {
        send(Method::post, url, encode(body), context, [done = std::move(done)](const Exchange& exchange) {
            if (auto failure = statusFailure(Method::post, exchange))
                done(std::move(*failure));
            else
                done(decode<T>(exchange.body));
        });
    }

private:
    enum class Method { get, post };

    // What came back, before the status rules: a transport failure, or a status (-1 when the
    // reply was not an HTTP reply) and the body.
    struct Exchange
    {
        std::optional<TransportError> transportError;
        int status = -1;
        QByteArray body;
    };

    static QByteArray encode(const QJsonObject& body);
    static std::optional<ServiceError> statusFailure(Method method, const Exchange& exchange);
    static void send(Method method, const QUrl& url, const QByteArray& body, QObject* context,
                     std::function<void(const Exchange&)> done);
};

} // namespace Sweepora::Core
