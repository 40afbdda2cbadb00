#include "rules/JsonFieldReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocale>
#include <QMetaType>
#include <QVariant>

#include <cmath>

namespace Sweepora::Core {
namespace {

QString quoted(QLatin1String key)
{
    return QLatin1Char('"') + key + QLatin1Char('"');
}

QString boolType()
{
    return QStringLiteral("布尔值");
}
QString stringType()
{
    return QStringLiteral("字符串");
}
QString stringListType()
{
    return QStringLiteral("字符串数组");
}
QString integerType()
{
    return QStringLiteral("整数");
}

QString numberText(double d)
{
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

} // namespace

QString JsonFieldReader::typeName(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return boolType();
    case QJsonValue::Double:
        return QStringLiteral("数字");
    case QJsonValue::String:
        return stringType();
    case QJsonValue::Array:
        return QStringLiteral("数组");
    case QJsonValue::Object:
        return QStringLiteral("对象");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("空缺");
}

bool JsonFieldReader::present(QLatin1String key, const QString& expected, QJsonValue& value)
{
    if (!m_error.isEmpty())
        return false;
    value = m_object.value(key);
    if (value.isUndefined()) {
        m_error = QStringLiteral("缺少键 %1（应为%2）").arg(quoted(key), expected);
        return false;
    }
    if (value.isNull()) {
        m_error = QStringLiteral("键 %1 的值为 null（应为%2）").arg(quoted(key), expected);
        return false;
    }
    return true;
}

bool JsonFieldReader::wrongType(QLatin1String key, const QString& expected, const QJsonValue& value)
{
    m_error = QStringLiteral("键 %1 的类型不对：应为%2，实际为%3").arg(quoted(key), expected, typeName(value));
    return false;
}

bool JsonFieldReader::readBool(QLatin1String key, bool& out)
{
    QJsonValue v;
    if (!present(key, boolType(), v))
        return false;
    if (!v.isBool())
        return wrongType(key, boolType(), v);
    out = v.toBool();
    return true;
}

bool JsonFieldReader::readString(QLatin1String key, QString& out)
{
    QJsonValue v;
    if (!present(key, stringType(), v))
        return false;
    if (!v.isString())
        return wrongType(key, stringType(), v);
    out = v.toString();
    return true;
}

bool JsonFieldReader::readStringList(QLatin1String key, QStringList& out)
{
    QJsonValue v;
    if (!present(key, stringListType(), v))
        return false;
    if (!v.isArray())
        return wrongType(key, stringListType(), v);
    const QJsonArray array = v.toArray();
    QStringList list;
    list.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonValue item = array.at(i);
        if (!item.isString()) {
            m_error = QStringLiteral("键 %1 的第 %2 项类型不对：应为字符串，实际为%3")
                          .arg(quoted(key))
                          .arg(i + 1)
                          .arg(typeName(item));
            return false;
        }
        list.append(item.toString());
    }
    out = list;
    return true;
}

bool JsonFieldReader::int64From(QLatin1String key, const QJsonValue& value, qint64& out)
{
    if (!value.isDouble())
        return wrongType(key, integerType(), value);
    // The parser keeps every literal integer that fits in 64 bits as an exact integer;
    // anything else arrives as a double.
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong) {
        out = variant.toLongLong();
        return true;
    }
    const double d = value.toDouble();
    if (std::isfinite(d) && std::trunc(d) != d) {
        m_error = QStringLiteral("键 %1 应为整数，实际为 %2").arg(quoted(key), numberText(d));
        return false;
    }
    // 2^63 itself is not representable; -2^63 is, and the parser already returned it exactly.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(d) || d >= limit || d < -limit) {
        m_error = QStringLiteral("键 %1 的值 %2 超出 64 位整数范围").arg(quoted(key), numberText(d));
        return false;
    }
    out = static_cast<qint64>(d);
    return true;
}

bool JsonFieldReader::readInt64(QLatin1String key, qint64& out)
{
    QJsonValue v;
    if (!present(key, integerType(), v))
        return false;
    return int64From(key, v, out);
}

bool JsonFieldReader::readOptionalBool(QLatin1String key, std::optional<bool>& out)
{
    if (!m_error.isEmpty())
        return false;
    const QJsonValue v = m_object.value(key);
    if (v.isUndefined() || v.isNull()) {
        out.reset();
        return true;
    }
    if (!v.isBool())
        return wrongType(key, boolType(), v);
    out = v.toBool();
    return true;
}

bool JsonFieldReader::readOptionalInt64(QLatin1String key, std::optional<qint64>& out)
{
    if (!m_error.isEmpty())
        return false;
    const QJsonValue v = m_object.value(key);
    if (v.isUndefined() || v.isNull()) {
        out.reset();
        return true;
    }
    qint64 n = 0;
    if (!int64From(key, v, n))
        return false;
    out = n;
    return true;
}

Decoded<QJsonObject> JsonFieldReader::parseObject(const QByteArray& text)
{
    if (text.trimmed().isEmpty())
        return Decoded<QJsonObject>::failure(QStringLiteral("JSON 文本为空"));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        const qsizetype offset = qBound(qsizetype(0), qsizetype(parseError.offset), text.size());
        const QByteArray before = text.left(offset);
        const qsizetype lineStart = before.lastIndexOf('\n') + 1;
        const qsizetype line = before.count('\n') + 1;
        const qsizetype column = QString::fromUtf8(before.mid(lineStart)).size() + 1;
        return Decoded<QJsonObject>::failure(QStringLiteral("第 %1 行第 %2 列（第 %3 字节）：%4")
                                                 .arg(line)
                                                 .arg(column)
                                                 .arg(offset)
                                                 .arg(parseError.errorString()));
    }
    if (!document.isObject()) {
        const QString actual = document.isArray() ? QStringLiteral("数组") : QStringLiteral("其他值");
        return Decoded<QJsonObject>::failure(QStringLiteral("JSON 顶层应为对象，实际为%1").arg(actual));
    }
    return Decoded<QJsonObject>::success(document.object());
}

} // namespace Sweepora::Core
