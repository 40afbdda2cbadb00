#pragma once

#include "services/ServiceError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QStringList>
#include <optional>

namespace Sweepora::Core {

class JsonReader;

struct RemoteRuleJSON;

// Strict reading of the service's JSON: a required key must be there and not null, every value
// must have its JSON type (integers integral and within 64 bits), optional keys may be missing or
// null, unknown keys are ignored. The first problem is kept with its place in the document, and
// every later read fails at once, so a record's reader can simply chain its reads with &&.
//
// A record type T takes part by providing
//     static bool read(JsonReader& reader, const QJsonValue& value, T& out);
class JsonReader
{
public:
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
            return *reader.m_error;
        return value;
    }

    // The current value as an object.
    bool readObject(const QJsonValue& value, QJsonObject& out);

    template <typename X> bool require(const QJsonObject& object, QLatin1StringView key, X& out)
    {
        if (m_error)
            return false;
        const KeyScope scope(*this, key);
        const auto it = object.constFind(key);
        if (it == object.constEnd())
            return fail(DecodingError::Problem::missingKey, {});
        return readValue(*it, out);
    }

    // Missing and null both leave `out` empty.
    template <typename X> bool optional(const QJsonObject& object, QLatin1StringView key, std::optional<X>& out)
    {
        out.reset();
        if (m_error)
            return false;
        const KeyScope scope(*this, key);
        const auto it = object.constFind(key);
        if (it == object.constEnd() || it->isNull())
            return true;
        X value{};
        if (!readValue(*it, value))
            return false;
        out = std::move(value);
        return true;
    }

    bool readValue(const QJsonValue& value, QString& out);
    bool readValue(const QJsonValue& value, qint64& out);
    bool readValue(const QJsonValue& value, bool& out);
    // The service's form of a cleanup rule (the record lives with the rule format).
    bool readValue(const QJsonValue& value, RemoteRuleJSON& out);

    template <typename T> bool readValue(const QJsonValue& value, QList<T>& out)
    {
        if (!value.isArray())
            return fail(DecodingError::Problem::wrongType, QStringLiteral("数组"));
        const QJsonArray array = value.toArray();
        out.clear();
        out.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            const IndexScope scope(*this, i);
            T element{};
            if (!readValue(array.at(i), element))
                return false;
            out.append(std::move(element));
        }
        return true;
    }

    template <typename T> bool readValue(const QJsonValue& value, T& out) { return T::read(*this, value, out); }

    bool failed() const { return m_error.has_value(); }

private:
    // The path grows and shrinks with the reads; on failure it is frozen into the error.
    struct KeyScope
    {
        KeyScope(JsonReader& reader, QLatin1StringView key);
        ~KeyScope();
        JsonReader& reader;
        qsizetype length;
    };
    struct IndexScope
    {
        IndexScope(JsonReader& reader, qsizetype index);
        ~IndexScope();
        JsonReader& reader;
        qsizetype length;
    };

    bool fail(DecodingError::Problem problem, const QString& detail);

    QString m_path;
    std::optional<DecodingError> m_error;
};

} // namespace Sweepora::Core
