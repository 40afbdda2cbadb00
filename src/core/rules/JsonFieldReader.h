#pragma once

#include "rules/Decoded.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace Sweepora::Core {

// Reads typed fields out of a JSON object the way a strict decoder does: a missing key,
// a null or a value of another type is an error, and the first error is kept as a message
// a person can act on. Each read returns false once an error is known.
class JsonFieldReader
{
public:
    explicit JsonFieldReader(const QJsonObject& object) : m_object(object) {}

    bool readBool(QLatin1String key, bool& out);
    bool readString(QLatin1String key, QString& out);
    bool readStringList(QLatin1String key, QStringList& out);
    // Whole numbers only, exactly as written (values beyond 2^53 are not rounded).
    bool readInt64(QLatin1String key, qint64& out);

    // Missing or null leaves `out` empty; any other type than the expected one is an error.
    bool readOptionalBool(QLatin1String key, std::optional<bool>& out);
    bool readOptionalInt64(QLatin1String key, std::optional<qint64>& out);

    const QString& error() const { return m_error; }

    // Parses a JSON text whose top level must be an object. On failure the message names the
    // line, the column and the byte offset where the text breaks, and the parser's reason.
    static Decoded<QJsonObject> parseObject(const QByteArray& text);
    // The Chinese name of a JSON value's type, as used in the messages.
    static QString typeName(const QJsonValue& value);

private:
    // Looks the key up; false (with the message set) when it is missing or null.
    bool present(QLatin1String key, const QString& expected, QJsonValue& value);
    bool wrongType(QLatin1String key, const QString& expected, const QJsonValue& value);
    bool int64From(QLatin1String key, const QJsonValue& value, qint64& out);

    QJsonObject m_object;
    QString m_error;
};

} // namespace Sweepora::Core
