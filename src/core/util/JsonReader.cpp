#include "core/util/JsonReader.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocale>
#include <QMetaType>
#include <QVariant>

#include <cmath>

namespace Sweepora::Core {
namespace {

QString numberText(double d)
{
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

} // namespace

QString JsonReadError::message() const
{
    const QString quoted = QLatin1Char('"') + key + QLatin1Char('"');
    const QString wanted = element + expected;
    switch (problem) {
    case Problem::missingKey:
        return QStringLiteral("缺少键 %1（应为%2）").arg(quoted, wanted);
    case Problem::null:
        return QStringLiteral("键 %1 的值为 null（应为%2）").arg(quoted, wanted);
    case Problem::wrongType:
        if (index >= 0)
            return QStringLiteral("键 %1 的第 %2 项类型不对：应为%3，实际为%4")
                .arg(quoted)
                .arg(index + 1)
                .arg(wanted, actual);
        if (key.isEmpty())
            return QStringLiteral("类型不对：应为%1，实际为%2").arg(wanted, actual);
        return QStringLiteral("键 %1 的类型不对：应为%2，实际为%3").arg(quoted, wanted, actual);
    case Problem::notWhole:
        return QStringLiteral("键 %1 应为整数，实际为 %2").arg(quoted, numberText(number));
    case Problem::outOfRange:
        return QStringLiteral("键 %1 的值 %2 超出 64 位整数范围").arg(quoted, numberText(number));
    }
    return {};
}

JsonReader::KeyScope::KeyScope(JsonReader& reader, QLatin1StringView key)
    : reader(reader), length(reader.m_path.size()), key(reader.m_key), index(reader.m_index)
{
    if (!reader.m_path.isEmpty())
        reader.m_path += QLatin1Char('.');
    reader.m_path += key;
    reader.m_key = key;
    reader.m_index = -1;
}

JsonReader::KeyScope::~KeyScope()
{
    reader.m_path.truncate(length);
    reader.m_key = key;
    reader.m_index = index;
}

JsonReader::IndexScope::IndexScope(JsonReader& reader, qsizetype index)
    : reader(reader), length(reader.m_path.size()), index(reader.m_index)
{
    reader.m_path += QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
    reader.m_index = index;
}

JsonReader::IndexScope::~IndexScope()
{
    reader.m_path.truncate(length);
    reader.m_index = index;
}

bool JsonReader::fail(JsonReadError::Problem problem, const QString& expected, const QString& element,
                      const QJsonValue& actual, double number)
{
    if (!m_error)
        m_error = JsonReadError{problem, m_path, m_key, m_index, expected, element, typeName(actual), number};
    return false;
}

QString JsonReader::typeName(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return typeName<bool>();
    case QJsonValue::Double:
        return QStringLiteral("数字");
    case QJsonValue::String:
        return typeName<QString>();
    case QJsonValue::Array:
        return QStringLiteral("数组");
    case QJsonValue::Object:
        return QStringLiteral("对象");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("空缺");
}

bool JsonReader::readObject(const QJsonValue& value, QJsonObject& out)
{
    if (m_error)
        return false;
    if (!value.isObject())
        return fail(JsonReadError::Problem::wrongType, QStringLiteral("对象"), {}, value);
    out = value.toObject();
    return true;
}

bool JsonReader::readValue(const QJsonValue& value, QString& out)
{
    if (!value.isString())
        return fail(JsonReadError::Problem::wrongType, typeName<QString>(), {}, value);
    out = value.toString();
    return true;
}

bool JsonReader::readValue(const QJsonValue& value, qint64& out)
{
    if (!value.isDouble())
        return fail(JsonReadError::Problem::wrongType, typeName<qint64>(), {}, value);
    // The parser keeps every literal integer that fits in 64 bits as an exact integer;
    // anything else arrives as a double.
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong) {
        out = variant.toLongLong();
        return true;
    }
    const double d = value.toDouble();
    if (std::isfinite(d) && std::trunc(d) != d)
        return fail(JsonReadError::Problem::notWhole, typeName<qint64>(), {}, value, d);
    // 2^63 itself is not representable; -2^63 is, and the parser already returned it exactly.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(d) || d >= limit || d < -limit)
        return fail(JsonReadError::Problem::outOfRange, typeName<qint64>(), {}, value, d);
    out = static_cast<qint64>(d);
    return true;
}

bool JsonReader::readValue(const QJsonValue& value, bool& out)
{
    if (!value.isBool())
        return fail(JsonReadError::Problem::wrongType, typeName<bool>(), {}, value);
    out = value.toBool();
    return true;
}

std::optional<QJsonObject> JsonReader::parseObject(const QByteArray& text, QString& error)
{
    if (text.trimmed().isEmpty()) {
        error = QStringLiteral("JSON 文本为空");
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        const qsizetype offset = qBound(qsizetype(0), qsizetype(parseError.offset), text.size());
        const QByteArray before = text.left(offset);
        const qsizetype lineStart = before.lastIndexOf('\n') + 1;
        const qsizetype line = before.count('\n') + 1;
        const qsizetype column = QString::fromUtf8(before.mid(lineStart)).size() + 1;
        error = QStringLiteral("第 %1 行第 %2 列（第 %3 字节）：%4")
                    .arg(line)
                    .arg(column)
                    .arg(offset)
                    .arg(parseError.errorString());
        return std::nullopt;
    }
    if (!document.isObject()) {
        const QString actual = document.isArray() ? QStringLiteral("数组") : QStringLiteral("其他值");
        error = QStringLiteral("JSON 顶层应为对象，实际为%1").arg(actual);
        return std::nullopt;
    }
    return document.object();
}

} // namespace Sweepora::Core
