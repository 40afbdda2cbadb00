#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>
#include <type_traits>

namespace Sweepora::Core {

// The first problem a strict read met, with its place in the document.
struct JsonReadError
{
    enum class Problem { missingKey, null, wrongType, notWhole, outOfRange };

    Problem problem = Problem::wrongType;
    QString path;         // e.g. "data[2].rule_json.Paths[1]"; empty at the top level
    QString key;          // the innermost key of the path
    qsizetype index = -1; // the array index after that key, or -1
    QString expected;     // the JSON type wanted: "字符串", "整数", "布尔值", "数组", "对象"
    QString element;      // for an array, the type of its items ("字符串" + "数组" reads "字符串数组")
    QString actual;       // the type found
    double number = 0;    // the number found, for notWhole and outOfRange

    // A message a person editing the record can act on: the key, the item, the types.
    QString message() const;
};

// Strict reading of JSON records: a required key must be there and not null, every value must
// have its JSON type (integers whole and within 64 bits, exactly as written), optional keys may
// be missing or null, unknown keys are ignored. The first problem is kept, and every later read
// fails at once, so a record's reader can simply chain its reads with &&.
//
// A record type T takes part by providing
//     static bool read(JsonReader& reader, const QJsonValue& value, T& out);
class JsonReader
{
public:
    // The current value as an object.
    bool readObject(const QJsonValue& value, QJsonObject& out);

    template <typename X> bool require(const QJsonObject& object, QLatin1StringView key, X& out)
    {
        if (m_error)
            return false;
        const KeyScope scope(*this, key);
        const auto it = object.constFind(key);
        if (it == object.constEnd())
            return fail(JsonReadError::Problem::missingKey, typeName<X>(), elementName<X>(), QJsonValue::Undefined);
        if (it->isNull())
            return fail(JsonReadError::Problem::null, typeName<X>(), elementName<X>(), QJsonValue::Null);
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

    template <typename T> bool readValue(const QJsonValue& value, QList<T>& out)
    {
        if (!value.isArray())
            return fail(JsonReadError::Problem::wrongType, typeName<QList<T>>(), typeName<T>(), value);
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

    const std::optional<JsonReadError>& error() const { return m_error; }

    // Parses a text whose top level must be an object. On failure `error` names the line, the
    // column and the byte offset where the text breaks, and the parser's reason.
    static std::optional<QJsonObject> parseObject(const QByteArray& text, QString& error);

private:
    // The Chinese name of a JSON value's type, as the messages use it.
    static QString typeName(const QJsonValue& value);

    template <typename X> struct IsList : std::false_type
    {
    };
    template <typename T> struct IsList<QList<T>> : std::true_type
    {
    };

    template <typename X> static QString typeName()
    {
        if constexpr (std::is_same_v<X, QString>)
            return QStringLiteral("字符串");
        else if constexpr (std::is_same_v<X, qint64>)
            return QStringLiteral("整数");
        else if constexpr (std::is_same_v<X, bool>)
            return QStringLiteral("布尔值");
        else if constexpr (IsList<X>::value)
            return QStringLiteral("数组");
        else
            return QStringLiteral("对象");
    }
    template <typename X> static QString elementName()
    {
        if constexpr (IsList<X>::value)
            return typeName<typename X::value_type>();
        else
            return {};
    }

    // The path grows and shrinks with the reads; on failure it is frozen into the error.
    struct KeyScope
    {
        KeyScope(JsonReader& reader, QLatin1StringView key);
        ~KeyScope();
        JsonReader& reader;
        qsizetype length;
        QString key;
        qsizetype index;
    };
    struct IndexScope
    {
        IndexScope(JsonReader& reader, qsizetype index);
        ~IndexScope();
        JsonReader& reader;
        qsizetype length;
        qsizetype index;
    };

    bool fail(JsonReadError::Problem problem, const QString& expected, const QString& element, const QJsonValue& actual,
              double number = 0);

    QString m_path;
    QString m_key;
    qsizetype m_index = -1;
    std::optional<JsonReadError> m_error;
};

} // namespace Sweepora::Core
