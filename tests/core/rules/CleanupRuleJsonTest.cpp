#include "rules/CleanupRule.h"
#include "rules/RemoteRuleJSON.h"
#include "rules/RuleStore.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Sweepora::Core;

namespace {

CleanupRule sampleRule()
{
    CleanupRule rule;
    rule.app = false;
    rule.name = QStringLiteral("微信 小程序缓存");
    rule.paths = {QStringLiteral("PUBLIC_DATA/com.tencent.mm/MicroMsg/wxacache"), QStringLiteral("/a \"b\"\\c")};
    rule.notice = 7;
    rule.packName = QStringLiteral("com.tencent.mm");
    rule.description = QStringLiteral("微信小程序缓存数据\n第二行");
    return rule;
}

QByteArray textOf(const QJsonObject& object)
{
    return QJsonDocument(object).toJson();
}

Decoded<CleanupRule> withNotice(const char* literal)
{
    return CleanupRule::fromJson(
        QByteArray(R"({"App": true, "Name": "n", "Paths": [], "PackName": "p", "Description": "d", "Notice": )") +
        literal + "}");
}

} // namespace

TEST(CleanupRuleJson, RoundTripsEveryFieldIgnoresOtherKeysAndIsIdentifiedByPackNameAndName)
{
    QJsonObject object = sampleRule().toJsonObject();
    object.insert(QStringLiteral("id"), 42);
    object.insert(QStringLiteral("Extra"), QJsonObject{{QStringLiteral("nested"), true}});
    const Decoded<CleanupRule> decoded = CleanupRule::fromJson(textOf(object));
    ASSERT_TRUE(decoded.ok()) << decoded.error.toStdString();
    EXPECT_EQ(*decoded.value, sampleRule());
    EXPECT_EQ(CleanupRule::fromJson(CleanupRule().toJson()).value, CleanupRule());

    // The identity is the PackName directly followed by the Name.
    EXPECT_EQ(sampleRule().ruleKey(), QStringLiteral("com.tencent.mm微信 小程序缓存"));
    CleanupRule other; // halves that concatenate to the same text are the same rule
    other.packName = QStringLiteral("com.tencent.mm微信");
    other.name = QStringLiteral(" 小程序缓存");
    EXPECT_EQ(other.ruleKey(), sampleRule().ruleKey());
}

TEST(CleanupRuleJson, MissingNullAndWrongTypesNameTheKeyAndTheExpectedType)
{
    for (const char* key : {"App", "Name", "Paths", "Notice", "PackName", "Description"}) {
        QJsonObject object = sampleRule().toJsonObject();
        object.remove(QLatin1String(key));
        const QString error = CleanupRule::fromJson(textOf(object)).error;
        EXPECT_TRUE(error.startsWith(QStringLiteral("缺少键 \"%1\"").arg(QLatin1String(key)))) << error.toStdString();
    }
    const QList<QPair<QJsonObject, QString>> cases = {
        {{{QStringLiteral("App"), QJsonValue::Null}}, QStringLiteral("键 \"App\" 的值为 null（应为布尔值）")},
        {{{QStringLiteral("App"), QStringLiteral("true")}},
         QStringLiteral("键 \"App\" 的类型不对：应为布尔值，实际为字符串")},
        {{{QStringLiteral("Name"), 5}}, QStringLiteral("键 \"Name\" 的类型不对：应为字符串，实际为数字")},
        {{{QStringLiteral("Paths"), QStringLiteral("USERFOLDER/x")}},
         QStringLiteral("键 \"Paths\" 的类型不对：应为字符串数组，实际为字符串")},
        {{{QStringLiteral("Paths"), QJsonArray{QStringLiteral("a"), QJsonValue::Null}}},
         QStringLiteral("键 \"Paths\" 的第 2 项类型不对：应为字符串，实际为null")},
        {{{QStringLiteral("Notice"), QStringLiteral("0")}},
         QStringLiteral("键 \"Notice\" 的类型不对：应为整数，实际为字符串")},
        // Two problems: the first key in reading order is reported.
        {{{QStringLiteral("Description"), 1}, {QStringLiteral("Paths"), 1}},
         QStringLiteral("键 \"Paths\" 的类型不对：应为字符串数组，实际为数字")},
    };
    for (const auto& [changes, message] : cases) {
        QJsonObject object = sampleRule().toJsonObject();
        for (auto it = changes.begin(); it != changes.end(); ++it)
            object.insert(it.key(), it.value());
        const Decoded<CleanupRule> decoded = CleanupRule::fromJson(textOf(object));
        EXPECT_FALSE(decoded.ok());
        EXPECT_EQ(decoded.error, message);
    }
}

TEST(CleanupRuleJson, NoticeIsAnExactSigned64BitInteger)
{
    // Beyond 2^53 a double would round these; they must come back digit for digit.
    EXPECT_EQ(withNotice("9007199254740993").value->notice, Q_INT64_C(9007199254740993));
    EXPECT_EQ(withNotice("9223372036854775807").value->notice, std::numeric_limits<qint64>::max());
    EXPECT_EQ(withNotice("-9223372036854775808").value->notice, std::numeric_limits<qint64>::min());
    EXPECT_EQ(withNotice("12.0").value->notice, 12);
    EXPECT_EQ(withNotice("1.5").error, QStringLiteral("键 \"Notice\" 应为整数，实际为 1.5"));
    for (const char* tooLarge : {"9223372036854775808", "1e19", "-9223372036854777856"})
        EXPECT_TRUE(withNotice(tooLarge).error.contains(QStringLiteral("超出 64 位整数范围"))) << tooLarge;

    CleanupRule rule = sampleRule();
    rule.notice = Q_INT64_C(9007199254740993);
    EXPECT_TRUE(rule.toJson().contains("9007199254740993"));
    EXPECT_EQ(CleanupRule::fromJson(rule.toJson()).value, rule);
}

TEST(CleanupRuleJson, BrokenTextReportsWhereItBreaks)
{
    const QString multiLine = CleanupRule::fromJson("{\n  \"App\": true,\n  \"Name\" \"x\"\n}").error;
    EXPECT_TRUE(multiLine.startsWith(QStringLiteral("第 3 行第 "))) << multiLine.toStdString();
    // Columns count characters, not bytes: the parser stops after the stray "x", at byte 19
    // but character 16.
    const QString chinese = CleanupRule::fromJson("{\"Name\": \"微信\" x}").error;
    EXPECT_TRUE(chinese.startsWith(QStringLiteral("第 1 行第 16 列（第 19 字节）："))) << chinese.toStdString();
    EXPECT_EQ(CleanupRule::fromJson("  \n").error, QStringLiteral("JSON 文本为空"));
    EXPECT_EQ(CleanupRule::fromJson("[1, 2]").error, QStringLiteral("JSON 顶层应为对象，实际为数组"));
}

TEST(CleanupRuleJson, EncodingIsIndentedSortedAndPlainUtf8)
{
    const QByteArray text = sampleRule().toJson();
    qsizetype last = -1;
    for (const char* key : {"\"App\"", "\"Description\"", "\"Name\"", "\"Notice\"", "\"PackName\"", "\"Paths\""}) {
        const qsizetype at = text.indexOf(key);
        EXPECT_GT(at, last) << key << " out of order in " << text.constData();
        last = at;
    }
    EXPECT_TRUE(text.startsWith("{\n    \"App\": false,\n")) << text.constData();
    EXPECT_TRUE(text.contains("\n        \"PUBLIC_DATA/com.tencent.mm/MicroMsg/wxacache\",\n"));
    // Chinese is written as UTF-8, not as \u escapes; slashes stay as they are.
    EXPECT_TRUE(text.contains(QStringLiteral("微信 小程序缓存").toUtf8()));
    EXPECT_FALSE(text.contains("\\u") || text.contains("\\/"));
    EXPECT_EQ(RuleStore::exportJSON(sampleRule()), QString::fromUtf8(text));
}

TEST(RemoteRuleJson, AppAndNoticeMayBeMissingOrNull)
{
    QJsonObject object = sampleRule().toJsonObject();
    object.remove(QStringLiteral("App"));
    object.insert(QStringLiteral("Notice"), QJsonValue::Null);
    // Not a local rule, but a published one that converts with app true and notice 0.
    EXPECT_FALSE(CleanupRule::fromJson(textOf(object)).ok());
    const Decoded<RemoteRuleJSON> remote = RemoteRuleJSON::fromJson(textOf(object));
    ASSERT_TRUE(remote.ok()) << remote.error.toStdString();
    CleanupRule expected = sampleRule();
    expected.app = true;
    expected.notice = 0;
    EXPECT_EQ(remote.value->toCleanupRule(), expected);
    // Written back, the absent keys stay absent.
    EXPECT_FALSE(remote.value->toJsonObject().contains(QStringLiteral("App")));
    EXPECT_FALSE(remote.value->toJsonObject().contains(QStringLiteral("Notice")));

    // Given values are kept.
    EXPECT_EQ(RemoteRuleJSON::fromJsonObject(sampleRule().toJsonObject()).value->toCleanupRule(), sampleRule());
}
