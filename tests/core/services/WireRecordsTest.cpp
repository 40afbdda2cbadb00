#include "services/AppVersion.h"
#include "services/CloudTasks.h"
#include "services/HTTPUtil.h"
#include "services/Hitokoto.h"
#include "services/MarketTasks.h"
#include "services/Verification.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

using namespace Sweepora::Core;
using namespace Qt::StringLiterals;

namespace {

template <typename T> ServiceResult<T> decode(const char* json)
{
    return HTTPUtil::decode<T>(QByteArray(json));
}

// The problem and where it is, or "ok" when the text decoded.
template <typename T> std::string failure(const char* json)
{
    const ServiceResult<T> result = decode<T>(json);
    if (result.ok())
        return "ok";
    const DecodingError* error = result.error().decodingError();
    if (!error)
        return "not a decoding error";
    const char* problem[] = {"notJSON", "missingKey", "wrongType"};
    return std::string(problem[int(error->problem)]) + " " + error->path.toStdString();
}

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

// --- Rules on the wire ---------------------------------------------------------------------

TEST(WireRuleTest, CloudRuleWithoutAppAndNoticeTakesTheirDefaults)
{
    const auto result = decode<CloudTaskEnvelope>(R"({"code": 0, "message": "", "data": [
        {"id": 7, "rule_json": {"Name": "缓存", "Paths": ["USERFOLDER/Library/Caches/x"], "PackName": "com.x",
                                "Description": "d"}},
        {"id": 8, "rule_json": {"App": null, "Notice": null, "Name": "n", "Paths": [], "PackName": "p",
                                "Description": ""}},
        {"id": 9, "rule_json": {"App": false, "Notice": 3, "Name": "n", "Paths": [], "PackName": "p",
                                "Description": ""}}]})");
    ASSERT_TRUE(result.ok()) << result.error().localizedDescription().toStdString();
    const QList<CloudTaskRule>& rules = result.value().data;
    ASSERT_EQ(rules.size(), 3);

    EXPECT_EQ(rules[0].id, 7);
    EXPECT_EQ(rules[0].ruleJSON.toCleanupRule(),
              (CleanupRule{true, u"缓存"_s, {u"USERFOLDER/Library/Caches/x"_s}, 0, u"com.x"_s, u"d"_s}));

    EXPECT_TRUE(rules[1].ruleJSON.toCleanupRule().app);
    EXPECT_EQ(rules[1].ruleJSON.toCleanupRule().notice, 0);
    EXPECT_FALSE(rules[2].ruleJSON.toCleanupRule().app);
    EXPECT_EQ(rules[2].ruleJSON.toCleanupRule().notice, 3);
}

TEST(WireRuleTest, RequiredRuleKeysMustBePresentWithTheirJSONTypeInEveryRule)
{
    const auto envelope = [](const char* rule) {
        return "{\"code\": 0, \"message\": \"\", \"data\": [{\"id\": 1, \"rule_json\": " + std::string(rule) + "}]}";
    };
    const auto check = [&](const char* rule) { return failure<CloudTaskEnvelope>(envelope(rule).c_str()); };

    EXPECT_EQ(check(R"({"Name": null, "Paths": [], "PackName": "p", "Description": ""})"),
              "wrongType data[0].rule_json.Name");
    EXPECT_EQ(check(R"({"Name": "n", "Paths": ["a", 2], "PackName": "p", "Description": ""})"),
              "wrongType data[0].rule_json.Paths[1]");
    EXPECT_EQ(check(R"({"Name": "n", "Paths": "a", "PackName": "p", "Description": ""})"),
              "wrongType data[0].rule_json.Paths");
    EXPECT_EQ(check(R"({"App": 1, "Name": "n", "Paths": [], "PackName": "p", "Description": ""})"),
              "wrongType data[0].rule_json.App");
    EXPECT_EQ(check(R"({"Notice": "0", "Name": "n", "Paths": [], "PackName": "p", "Description": ""})"),
              "wrongType data[0].rule_json.Notice");
    EXPECT_EQ(check(R"({"Notice": 0.5, "Name": "n", "Paths": [], "PackName": "p", "Description": ""})"),
              "wrongType data[0].rule_json.Notice");
    EXPECT_EQ(check(R"(["Name"])"), "wrongType data[0].rule_json");

    // One incomplete rule fails the whole list.
    EXPECT_EQ(failure<CloudTaskEnvelope>(R"({"code": 0, "message": "", "data": [
        {"id": 1, "rule_json": {"Name": "a", "Paths": [], "PackName": "p", "Description": ""}},
        {"id": 2, "rule_json": {"Name": "b", "Paths": [], "Description": ""}}]})"),
              "missingKey data[1].rule_json.PackName");
    EXPECT_EQ(failure<MarketTaskEnvelope>(R"({"code": 0, "message": "", "data": [
        {"id": 1, "allow": 1, "created_at": "", "updated_at": "",
         "rule_json": {"Paths": [], "PackName": "p", "Description": ""}}]})"),
              "missingKey data[0].rule_json.Name");
}

TEST(WireRuleTest, UploadBodyCarriesTheRuleInTheLocalFormatWithAllSixKeysSorted)
{
    CleanupRule rule;
    rule.app = false;
    rule.name = u"微信 小程序缓存"_s;
    rule.paths = {u"USERFOLDER/a"_s, u"/b"_s};
    rule.notice = 9'007'199'254'740'993; // not representable as a double
    rule.packName = u"com.tencent.mm"_s;
    rule.description = QString();

    EXPECT_EQ(compact(UploadMarketTaskRequest{rule}.toJSON()),
              QByteArray(R"({"rule_json":{"App":false,"Description":"","Name":"微信 小程序缓存",)"
                         R"("Notice":9007199254740993,"PackName":"com.tencent.mm","Paths":["USERFOLDER/a","/b"]}})"));

    // What goes up comes back as the same rule through the service's form.
    const QByteArray cloud =
        R"({"code":0,"message":"","data":[{"id":1,"rule_json":)" + compact(rule.toJsonObject()) + "}]}";
    const auto result = HTTPUtil::decode<CloudTaskEnvelope>(cloud);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value().data.value(0).ruleJSON.toCleanupRule(), rule);
}

// --- Envelopes and records -----------------------------------------------------------------

TEST(WireRecordTest, EnvelopesNeedCodeMessageAndTheirData)
{
    EXPECT_EQ(failure<CloudTaskEnvelope>(R"({"message": "", "data": []})"), "missingKey code");
    EXPECT_EQ(failure<CloudTaskEnvelope>(R"({"code": "0", "message": "", "data": []})"), "wrongType code");
    EXPECT_EQ(failure<CloudTaskEnvelope>(R"({"code": 0, "data": []})"), "missingKey message");
    EXPECT_EQ(failure<CloudTaskEnvelope>(R"({"code": 0, "message": ""})"), "missingKey data");
    EXPECT_EQ(failure<MarketTaskEnvelope>(R"({"code": 0, "message": "", "data": null})"), "wrongType data");
    EXPECT_EQ(failure<MarketTaskEnvelope>(R"({"code": 0, "message": "", "data": {}})"), "wrongType data");
    EXPECT_EQ(failure<UploadMarketTaskEnvelope>(R"({"code": 0, "message": "", "data": null})"), "wrongType data");
    EXPECT_EQ(failure<VerificationResponse>(R"({"code": 1})"), "missingKey message");
    EXPECT_EQ(failure<VerificationResponse>(R"([{"code": 1, "message": ""}])"), "wrongType ");
    EXPECT_EQ(failure<VerificationResponse>(""), "notJSON ");
    EXPECT_EQ(failure<VerificationResponse>(R"({"code": 1, "message": "")"), "notJSON ");
    EXPECT_EQ(failure<HitokotoResponse>(R"({"id": 1})"), "missingKey hitokoto");
    // An upload's result needs its reason even when approved.
    EXPECT_EQ(failure<UploadMarketTaskEnvelope>(R"({"code": 0, "message": "", "data": {"id": 1, "allow": 1}})"),
              "missingKey data.reason");

    const auto empty = decode<MarketTaskEnvelope>(R"({"code": 5, "message": "m", "data": []})");
    ASSERT_TRUE(empty.ok());
    EXPECT_TRUE(empty.value().data.isEmpty());
    EXPECT_EQ(empty.value().code, 5);
}

TEST(WireRecordTest, UnknownKeysAreIgnoredEverywhere)
{
    const auto result = decode<MarketTaskEnvelope>(R"({"code": 0, "message": "", "extra": {"x": [1]},
        "data": [{"id": 3, "allow": 2, "created_at": "c", "updated_at": "u", "author": "someone",
                  "rule_json": {"Name": "n", "Paths": [], "PackName": "p", "Description": "", "Icon": 5}}]})");
    ASSERT_TRUE(result.ok());
    const MarketRule& rule = result.value().data.value(0);
    EXPECT_EQ(rule.id, 3);
    EXPECT_FALSE(rule.isApproved());
    EXPECT_EQ(rule.createdAt, u"c"_s);
    EXPECT_EQ(rule.updatedAt, u"u"_s);
}

TEST(WireRecordTest, VersionRecordReadsEveryFieldOnlyMinimumVersionIsOptionalAndNoDataIsNoVersion)
{
    const char* full = R"({"code": 0, "message": "", "data": {"id": 4, "version": "1.4.0", "build_number": 140,
        "download_url": "https://example.com/d", "release_notes": "修复", "force_update": 1,
        "minimum_version": "1.0", "status": 2, "created_at": "2024-05-01T10:00:00Z", "updated_at": "u"}})";
    const auto result = decode<AppVersionEnvelope>(full);
    ASSERT_TRUE(result.ok()) << result.error().localizedDescription().toStdString();
    const AppVersionInfo& info = *result.value().data;
    EXPECT_EQ(info.id, 4);
    EXPECT_EQ(info.version, u"1.4.0"_s);
    EXPECT_EQ(info.buildNumber, 140);
    EXPECT_EQ(info.downloadURL, u"https://example.com/d"_s);
    EXPECT_EQ(info.releaseNotes, u"修复"_s);
    EXPECT_TRUE(info.isForced());
    EXPECT_EQ(info.minimumVersion, u"1.0"_s);
    EXPECT_EQ(info.status, 2);
    EXPECT_EQ(info.createdAt, u"2024-05-01T10:00:00Z"_s);
    EXPECT_EQ(info.updatedAt, u"u"_s);

    QJsonObject data = QJsonDocument::fromJson(full).object().value(u"data"_s).toObject();
    data.remove(u"minimum_version"_s);
    for (const QString& key : data.keys()) {
        QJsonObject without = data;
        without.remove(key);
        const QByteArray json = R"({"code":0,"message":"","data":)" + compact(without) + "}";
        const auto missing = HTTPUtil::decode<AppVersionEnvelope>(json);
        ASSERT_FALSE(missing.ok()) << key.toStdString();
        EXPECT_EQ(missing.error().decodingError()->path, u"data."_s + key);
    }
    const QByteArray withoutMinimum = R"({"code":0,"message":"","data":)" + compact(data) + "}";
    const auto optional = HTTPUtil::decode<AppVersionEnvelope>(withoutMinimum);
    ASSERT_TRUE(optional.ok());
    EXPECT_FALSE(optional.value().data->minimumVersion.has_value());

    // Without data there is no version.
    for (const char* json : {R"({"code": 0, "message": ""})", R"({"code": 0, "message": "", "data": null})"}) {
        const auto result = decode<AppVersionEnvelope>(json);
        ASSERT_TRUE(result.ok()) << json;
        EXPECT_FALSE(result.value().data.has_value()) << json;
    }
    EXPECT_EQ(failure<AppVersionEnvelope>(R"({"code": 0, "message": "", "data": "1.2"})"), "wrongType data");
    EXPECT_EQ(failure<AppVersionEnvelope>(R"({"code": 0, "message": "", "data": {}})"), "missingKey data.id");
}

TEST(WireRecordTest, DecodingErrorsSayWhatAndWhere)
{
    const auto missing = decode<CloudTaskEnvelope>(
        R"({"code": 0, "message": "", "data": [{"id": 1, "rule_json": {"Name": "", "Paths": [], "Description": ""}}]})");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().localizedDescription(), u"服务端返回的数据缺少“data[0].rule_json.PackName”"_s);

    const auto wrong = decode<VerificationResponse>(R"({"code": "1", "message": ""})");
    ASSERT_FALSE(wrong.ok());
    EXPECT_EQ(wrong.error().localizedDescription(), u"服务端返回的数据中“code”不是整数"_s);

    const auto notJSON = decode<VerificationResponse>("<html>");
    ASSERT_FALSE(notJSON.ok());
    EXPECT_TRUE(notJSON.error().localizedDescription().startsWith(u"服务端返回的数据不是有效的 JSON"_s));
}
