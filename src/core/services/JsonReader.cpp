#include "services/JsonReader.h"

#include <limits>

namespace Sweepora::Core {

JsonReader::KeyScope::KeyScope(JsonReader& reader, QLatin1StringView key) : reader(reader), length(reader.m_path.size())
{
    if (!reader.m_path.isEmpty())
        reader.m_path += QLatin1Char('.');
    reader.m_path += key;
}

JsonReader::KeyScope::~KeyScope()
{
    reader.m_path.truncate(length);
}

JsonReader::IndexScope::IndexScope(JsonReader& reader, qsizetype index) : reader(reader), length(reader.m_path.size())
{
    reader.m_path += QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
}

JsonReader::IndexScope::~IndexScope()
{
    reader.m_path.truncate(length);
}

bool JsonReader::fail(DecodingError::Problem problem, const QString& detail)
{
    if (!m_error)
        m_error = DecodingError{problem, m_path, detail};
    return false;
}

bool JsonReader::readObject(const QJsonValue& value, QJsonObject& out)
{
    if (m_error)
        return false;
    if (!value.isObject())
        return fail(DecodingError::Problem::wrongType, QStringLiteral("对象"));
    out = value.toObject();
    return true;
}

bool JsonReader::readValue(const QJsonValue& value, QString& out)
{
    if (!value.isString())
        return fail(DecodingError::Problem::wrongType, QStringLiteral("字符串"));
    out = value.toString();
    return true;
}

bool JsonReader::readValue(const QJsonValue& value, qint64& out)
{
    // toInteger() falls back to its default for fractions and for numbers beyond 64 bits; two
    // different defaults tell such a number apart from one that really equals a default.
    constexpr qint64 a = 0;
    constexpr qint64 b = std::numeric_limits<qint64>::min();
    const qint64 first = value.toInteger(a);
    if (!value.isDouble() || (first == a && value.toInteger(b) == b))
        return fail(DecodingError::Problem::wrongType, QStringLiteral("整数"));
    out = first;
    return true;
}

bool JsonReader::readValue(const QJsonValue& value, bool& out)
{
    if (!value.isBool())
        return fail(DecodingError::Problem::wrongType, QStringLiteral("布尔值"));
    out = value.toBool();
    return true;
}

} // namespace Sweepora::Core
