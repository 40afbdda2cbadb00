#pragma once

#include "core/util/JsonReader.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <utility>

namespace Sweepora::Core {

// The outcome of decoding a JSON text into a record: the value, or a message that says
// what to fix (which key is missing or has the wrong type, or where the text breaks).
template <typename T> struct Decoded
{
    std::optional<T> value;
    QString error; // empty when `value` is set

    static Decoded success(T v) { return Decoded{std::move(v), QString()}; }
    static Decoded failure(QString message) { return Decoded{std::nullopt, std::move(message)}; }

    bool ok() const { return value.has_value(); }
    explicit operator bool() const { return ok(); }

    // A record T that JsonReader can read (it has `static bool read(JsonReader&, …)`).
    static Decoded fromObject(const QJsonObject& object)
    {
        JsonReader reader;
        T record{};
        if (reader.readValue(QJsonValue(object), record))
            return success(std::move(record));
        return failure(reader.error()->message());
    }

    static Decoded fromText(const QByteArray& text)
    {
        QString error;
        const std::optional<QJsonObject> object = JsonReader::parseObject(text, error);
        if (!object)
            return failure(error);
        return fromObject(*object);
    }
};

} // namespace Sweepora::Core
