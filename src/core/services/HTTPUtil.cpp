#include "core/services/HTTPUtil.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

namespace {

// The project's own service listens here; the poem comes from the public Hitokoto service.
constexpr auto kServiceBaseURL = "http://127.0.0.1:8787"_L1;
constexpr auto kPoemRootURL = "https://v1.hitokoto.cn/"_L1;
constexpr char kTimedOutProperty[] = "sweepora_timedOut";

bool isWebURL(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == "http"_L1 || scheme == "https"_L1) && !url.host().isEmpty();
}

QUrl constantURL(QLatin1StringView text)
{
    const QUrl url(QString(text), QUrl::StrictMode);
    if (!isWebURL(url))
        qFatal("Built-in service address does not parse: %s", text.data());
    return url;
}

// An address from the environment replaces the built-in one only when it is a usable root:
// http(s), a host, no query, fragment or credentials. Anything else would send requests somewhere
// unintended, or carry a password in every request.
QUrl addressFromEnvironment(const char* variable, const QUrl& fallback)
{
    const QString value = qEnvironmentVariable(variable).trimmed();
    if (value.isEmpty())
        return fallback;
    const QUrl url(value, QUrl::StrictMode);
    if (!isWebURL(url) || url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty()) {
        qWarning("%s is not an http(s) address with a host; using the built-in one", variable);
        return fallback;
    }
    return url;
}

// Qt gives every 4xx and 5xx reply an error of its own (400 even a protocol error), yet such a
// reply arrived whole and its status rules. A connection-level error (a dropped connection, a
// time limit) means that it did not; so does any error after a 2xx status, whose body is cut.
bool arrivedWhole(QNetworkReply::NetworkError error, int status)
{
    if (error == QNetworkReply::NoError)
        return true;
    const bool connectionFailed =
        error >= QNetworkReply::ConnectionRefusedError && error <= QNetworkReply::UnknownNetworkError;
    return !connectionFailed && (status < 200 || status > 299);
}

} // namespace

bool ServerErrorEnvelope::read(JsonReader& reader, const QJsonValue& value, ServerErrorEnvelope& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.require(o, "message"_L1, out.message);
}

HTTPUtil::Timeouts HTTPUtil::timeouts()
{
    return Context::current().httpTimeouts();
}

void HTTPUtil::setTimeouts(const Timeouts& timeouts)
{
    Context::current().setHttpTimeouts(timeouts);
}

QUrl HTTPUtil::serviceBaseURL()
{
    static const QUrl builtIn = constantURL(kServiceBaseURL);
    return addressFromEnvironment("SWEEPORA_SERVICE_URL", builtIn);
}

QUrl HTTPUtil::endpointURL(const QString& path)
{
    QUrl url = serviceBaseURL();
    QString basePath = url.path();
    if (!basePath.endsWith(u'/'))
        basePath += u'/';
    // Decoded mode: the path is taken literally and Qt percent-encodes what needs it ("?", "#", " ").
    url.setPath(basePath + (path.startsWith(u'/') ? path.mid(1) : path), QUrl::DecodedMode);
    return url;
}

QUrl HTTPUtil::poemURL()
{
    static const QUrl builtIn = constantURL(kPoemRootURL);
    QUrl url = addressFromEnvironment("SWEEPORA_POEM_URL", builtIn);
    if (url.path().isEmpty())
        url.setPath(u"/"_s);
    url.setQuery(u"c=i"_s);
    return url;
}

QNetworkAccessManager& HTTPUtil::sharedSession()
{
    // Requests start on the GUI thread only (see send), so creation needs no lock.
    return Context::current().httpSession();
}

void HTTPUtil::closeSession()
{
    Context::current().closeHttpSession();
}

QByteArray HTTPUtil::encode(const QJsonObject& body)
{
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

std::optional<ServiceError> HTTPUtil::statusFailure(Method method, const Exchange& exchange)
{
    if (exchange.transportError)
        return ServiceError(*exchange.transportError);
    if (exchange.status >= 200 && exchange.status <= 299)
        return std::nullopt;
    if (method == Method::get)
        return ServiceError(HTTPUtilError::badStatus(exchange.status));
    // Any body that is not {"message": "<text>"} leaves the message absent.
    const ServiceResult<ServerErrorEnvelope> envelope = decode<ServerErrorEnvelope>(exchange.body);
    return ServiceError(HTTPUtilError::badResponse(
        exchange.status, envelope.ok() ? std::optional<QString>(envelope.value().message) : std::nullopt));
}

void HTTPUtil::send(Method method, const QUrl& url, const QByteArray& body, QObject* context,
                    std::function<void(const Exchange&)> done)
{
    Q_ASSERT(context);
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());

    if (!isWebURL(url)) {
        // Qt would happily read a file: or data: URL; such a reply is not an HTTP reply (status -1).
        QMetaObject::invokeMethod(
            context, [done = std::move(done)] { done(Exchange{}); }, Qt::QueuedConnection);
        return;
    }

    const Timeouts limits = timeouts();
    QNetworkRequest request(url);
    request.setTransferTimeout(int((method == Method::get ? limits.get : limits.post).count()));
    request.setRawHeader("Accept", "application/json");
    if (method == Method::post)
        request.setRawHeader("Content-Type", "application/json");

    QNetworkAccessManager& session = sharedSession();
    QNetworkReply* reply = method == Method::get ? session.get(request) : session.post(request, body);

    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply, [reply] {
        reply->setProperty(kTimedOutProperty, true);
        reply->abort();
    });
    deadline->start(limits.resource);

    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    QObject::connect(reply, &QNetworkReply::finished, context, [reply, done = std::move(done)] {
        Exchange exchange;
        const QNetworkReply::NetworkError error = reply->error();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() ? arrivedWhole(error, status.toInt()) : error == QNetworkReply::NoError) {
            exchange.status = status.isValid() ? status.toInt() : -1;
            exchange.body = reply->readAll();
        } else {
            // The client never aborts a request itself except at its time limits, so a cancelled
            // operation is one of Qt's idle limit or our own deadline.
            const bool timedOut = reply->property(kTimedOutProperty).toBool() ||
                                  error == QNetworkReply::OperationCanceledError ||
                                  error == QNetworkReply::TimeoutError;
            exchange.transportError = TransportError{error, timedOut, reply->errorString()};
        }
        done(exchange);
    });
}

} // namespace Sweepora::Core
