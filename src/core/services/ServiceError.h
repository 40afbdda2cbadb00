#pragma once

#include "core/util/JsonReader.h"

#include <QNetworkReply>
#include <QString>
#include <optional>
#include <utility>
#include <variant>

namespace Sweepora::Core {

// The service's own refusals: a status outside 2xx. GET replies give `badStatus`; POST replies
// give `badResponse` with the server's "message" when its body carried one.
struct HTTPUtilError
{
    enum class Case { badStatus, badResponse };

    Case kind = Case::badStatus;
    int status = -1; // -1 when the reply was not an HTTP reply
    std::optional<QString> message;

    static HTTPUtilError badStatus(int status) { return {Case::badStatus, status, std::nullopt}; }
    static HTTPUtilError badResponse(int status, std::optional<QString> message)
    {
        return {Case::badResponse, status, std::move(message)};
    }

    // The server's message when there is one (even an empty one), else "服务端返回 HTTP <status>".
    QString localizedDescription() const;

    friend bool operator==(const HTTPUtilError&, const HTTPUtilError&) = default;
};

// A 2xx body that is not the JSON the exchange promises.
struct DecodingError
{
    enum class Problem { notJSON, missingKey, wrongType };

    Problem problem = Problem::notJSON;
    QString path;   // where in the document, e.g. "data[2].rule_json.PackName"
    QString detail; // the expected JSON type, or the parser's own text

    // A strict read's first problem: a missing key stays one, anything else is the wrong type.
    static DecodingError from(const JsonReadError& error);

    QString localizedDescription() const;
};

// No usable reply: no connection, a dropped connection, a timeout.
struct TransportError
{
    QNetworkReply::NetworkError code = QNetworkReply::UnknownNetworkError;
    bool timedOut = false;
    QString description; // Qt's text for the failure

    QString localizedDescription() const;
};

// Whatever ended a request without a value. Callers mostly show `localizedDescription()`.
class ServiceError
{
public:
    ServiceError(HTTPUtilError error) : m_error(std::move(error)) {}
    ServiceError(DecodingError error) : m_error(std::move(error)) {}
    ServiceError(TransportError error) : m_error(std::move(error)) {}

    const HTTPUtilError* httpError() const { return std::get_if<HTTPUtilError>(&m_error); }
    const DecodingError* decodingError() const { return std::get_if<DecodingError>(&m_error); }
    const TransportError* transportError() const { return std::get_if<TransportError>(&m_error); }

    QString localizedDescription() const;

private:
    std::variant<HTTPUtilError, DecodingError, TransportError> m_error;
};

// Exactly one of a value or a ServiceError.
template <typename T> class ServiceResult
{
public:
    ServiceResult(T value) : m_result(std::in_place_index<0>, std::move(value)) {}
    ServiceResult(ServiceError error) : m_result(std::in_place_index<1>, std::move(error)) {}
    ServiceResult(HTTPUtilError error) : ServiceResult(ServiceError(std::move(error))) {}
    ServiceResult(DecodingError error) : ServiceResult(ServiceError(std::move(error))) {}
    ServiceResult(TransportError error) : ServiceResult(ServiceError(std::move(error))) {}

    bool ok() const { return m_result.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    const T& value() const { return std::get<0>(m_result); }
    T& value() { return std::get<0>(m_result); }
    // Only when !ok().
    const ServiceError& error() const { return std::get<1>(m_result); }

private:
    std::variant<T, ServiceError> m_result;
};

} // namespace Sweepora::Core
