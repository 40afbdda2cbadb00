// Rules as JSON text and as files in the rule folders: decoding, encoding, loading and saving.
#include "core/rules/RuleStore.h"
#include "core/rules/CleanupRule.h"
#include "core/rules/RemoteRuleJSON.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace Sweepora::Core;
using namespace Qt::StringLiterals;

namespace {

CleanupRule sampleRule()
{
    return CleanupRule{
        false, u"微信 小程序缓存"_s, {u"PUBLIC_DATA/com.tencent.mm/MicroMsg/wxacache"_s, u"/a \"b\"\\c"_s},
        7,     u"com.tencent.mm"_s,  u"微信小程序缓存数据\n第二行"_s};
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

TEST(CleanupRuleJson, RoundTripsEveryFieldIsIdentifiedByPackNameAndNameAndEncodesIndentedSortedPlainUtf8)
{
    QJsonObject object = sampleRule().toJsonObject();
    object.insert(u"id"_s, 42);
    object.insert(u"Extra"_s, QJsonObject{{u"nested"_s, true}});
    const Decoded<CleanupRule> decoded = CleanupRule::fromJson(textOf(object));
    ASSERT_TRUE(decoded.ok()) << decoded.error.toStdString();
    EXPECT_EQ(*decoded.value, sampleRule());
    EXPECT_EQ(CleanupRule::fromJson(CleanupRule().toJson()).value, CleanupRule());

    // The identity is the PackName directly followed by the Name.
    EXPECT_EQ(sampleRule().ruleKey(), u"com.tencent.mm微信 小程序缓存"_s);
    CleanupRule other; // halves that concatenate to the same text are the same rule
    other.packName = u"com.tencent.mm微信"_s;
    other.name = u" 小程序缓存"_s;
    EXPECT_EQ(other.ruleKey(), sampleRule().ruleKey());

    // The encoding is indented, sorted and plain UTF-8.
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
    EXPECT_TRUE(text.contains(u"微信 小程序缓存"_s.toUtf8()));
    EXPECT_FALSE(text.contains("\\u") || text.contains("\\/"));
    EXPECT_EQ(RuleStore::exportJSON(sampleRule()), QString::fromUtf8(text));
}

TEST(CleanupRuleJson, ErrorsNameTheKeyAndTypeOrWhereTheTextBreaksAndNoticeIsAnExactInt64)
{
    for (const char* key : {"App", "Name", "Paths", "Notice", "PackName", "Description"}) {
        QJsonObject object = sampleRule().toJsonObject();
        object.remove(QLatin1String(key));
        const QString error = CleanupRule::fromJson(textOf(object)).error;
        EXPECT_TRUE(error.startsWith(u"缺少键 \"%1\""_s.arg(QLatin1String(key)))) << error.toStdString();
    }
    const QList<QPair<QJsonObject, QString>> cases = {
        {{{u"App"_s, QJsonValue::Null}}, u"键 \"App\" 的值为 null（应为布尔值）"_s},
        {{{u"App"_s, u"true"_s}}, u"键 \"App\" 的类型不对：应为布尔值，实际为字符串"_s},
        {{{u"Name"_s, 5}}, u"键 \"Name\" 的类型不对：应为字符串，实际为数字"_s},
        {{{u"Paths"_s, u"USERFOLDER/x"_s}}, u"键 \"Paths\" 的类型不对：应为字符串数组，实际为字符串"_s},
        {{{u"Paths"_s, QJsonArray{u"a"_s, QJsonValue::Null}}},
         u"键 \"Paths\" 的第 2 项类型不对：应为字符串，实际为null"_s},
        {{{u"Notice"_s, u"0"_s}}, u"键 \"Notice\" 的类型不对：应为整数，实际为字符串"_s},
        // Two problems: the first key in reading order is reported.
        {{{u"Description"_s, 1}, {u"Paths"_s, 1}}, u"键 \"Paths\" 的类型不对：应为字符串数组，实际为数字"_s},
    };
    for (const auto& [changes, message] : cases) {
        QJsonObject object = sampleRule().toJsonObject();
        for (auto it = changes.begin(); it != changes.end(); ++it)
            object.insert(it.key(), it.value());
        EXPECT_EQ(CleanupRule::fromJson(textOf(object)).error, message);
    }

    // Broken text reports where it breaks.
    const QString multiLine = CleanupRule::fromJson("{\n  \"App\": true,\n  \"Name\" \"x\"\n}").error;
    EXPECT_TRUE(multiLine.startsWith(u"第 3 行第 "_s)) << multiLine.toStdString();
    // Columns count characters: the parser stops after the stray "x", at byte 19 but character 16.
    const QString chinese = CleanupRule::fromJson("{\"Name\": \"微信\" x}").error;
    EXPECT_TRUE(chinese.startsWith(u"第 1 行第 16 列（第 19 字节）："_s)) << chinese.toStdString();
    EXPECT_EQ(CleanupRule::fromJson("  \n").error, u"JSON 文本为空"_s);
    EXPECT_EQ(CleanupRule::fromJson("[1, 2]").error, u"JSON 顶层应为对象，实际为数组"_s);

    // Beyond 2^53 a double would round these; they must come back digit for digit.
    EXPECT_EQ(withNotice("9007199254740993").value->notice, Q_INT64_C(9007199254740993));
    EXPECT_EQ(withNotice("9223372036854775807").value->notice, std::numeric_limits<qint64>::max());
    EXPECT_EQ(withNotice("-9223372036854775808").value->notice, std::numeric_limits<qint64>::min());
    EXPECT_EQ(withNotice("12.0").value->notice, 12);
    EXPECT_EQ(withNotice("1.5").error, u"键 \"Notice\" 应为整数，实际为 1.5"_s);
    for (const char* tooLarge : {"9223372036854775808", "1e19", "-9223372036854777856"})
        EXPECT_TRUE(withNotice(tooLarge).error.contains(u"超出 64 位整数范围"_s)) << tooLarge;

    CleanupRule rule = sampleRule();
    rule.notice = Q_INT64_C(9007199254740993);
    EXPECT_TRUE(rule.toJson().contains("9007199254740993"));
    EXPECT_EQ(CleanupRule::fromJson(rule.toJson()).value, rule);
}

TEST(RemoteRuleJson, AppAndNoticeMayBeMissingOrNull)
{
    QJsonObject object = sampleRule().toJsonObject();
    object.remove(u"App"_s);
    object.insert(u"Notice"_s, QJsonValue::Null);
    // Not a local rule, but a published one that converts with app true and notice 0, and written
    // back keeps the absent keys absent.
    EXPECT_FALSE(CleanupRule::fromJson(textOf(object)).ok());
    const Decoded<RemoteRuleJSON> remote = RemoteRuleJSON::fromJson(textOf(object));
    ASSERT_TRUE(remote.ok()) << remote.error.toStdString();
    CleanupRule expected = sampleRule();
    expected.app = true;
    expected.notice = 0;
    EXPECT_EQ(remote.value->toCleanupRule(), expected);
    EXPECT_FALSE(remote.value->toJsonObject().contains(u"App"_s) || remote.value->toJsonObject().contains(u"Notice"_s));

    // Given values are kept.
    EXPECT_EQ(RemoteRuleJSON::fromJsonObject(sampleRule().toJsonObject()).value->toCleanupRule(), sampleRule());
}

CleanupRule makeRule(const QString& packName, const QString& name, const QString& description = QString())
{
    return CleanupRule{true, name, {u"USERFOLDER/Library/Caches/x"_s}, 0, packName, description};
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "(unreadable)";
}

// Two resource folders (standing in for ":/Rules" and ":/") and a user rule folder.
class RuleStoreTest : public ::testing::Test
{
protected:
    QString path(const QString& relative) const { return m_root.filePath(relative); }
    QString user() const { return path(u"user/Rules"_s); }
    RuleStore store() const { return RuleStore({path(u"res/Rules"_s), path(u"res"_s)}, user()); }

    void write(const QString& relative, const QByteArray& data)
    {
        Sweepora::Test::TreeBuilder::write(path(relative), data);
    }

    // Every entry below the temporary root, hidden ones included.
    QStringList everything() const
    {
        QStringList found;
        QDirIterator it(m_root.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        found.sort();
        return found;
    }

    QStringList loaded() const
    {
        QStringList names;
        for (const CleanupRule& rule : store().loadRules())
            names << rule.ruleKey() + u'=' + rule.description;
        return names;
    }

    QTemporaryDir m_root;
};

TEST_F(RuleStoreTest, FallbackOnlyWhenNothingLoadsAndNothingIsWritten)
{
    const QStringList before = everything();
    EXPECT_EQ(store().loadRules(), QList<CleanupRule>{RuleStore::fallbackRule()});
    EXPECT_EQ(RuleStore::fallbackRule().ruleKey(), u"com.tencent.mm微信 小程序缓存"_s);
    EXPECT_EQ(everything(), before);

    write(u"user/Rules/broken.json"_s, "{");
    EXPECT_EQ(store().loadRules(), QList<CleanupRule>{RuleStore::fallbackRule()});
    // Any real rule replaces the fallback rather than joining it.
    write(u"user/Rules/x.json"_s, makeRule(u"a"_s, u"b"_s).toJson());
    EXPECT_EQ(loaded(), QStringList{u"ab="_s});
}

TEST_F(RuleStoreTest, LaterSourcesWinByIdentityAndTheListIsSortedByName)
{
    for (const char* name : {"One", "Two", "Three"})
        write(u"res/Rules/%1.json"_s.arg(QLatin1String(name)),
              makeRule(u"p"_s, QLatin1String(name), u"sub"_s).toJson());
    // The top level overrides the subfolder; the user folder overrides both.
    write(u"res/two.json"_s, makeRule(u"p"_s, u"Two"_s, u"top"_s).toJson());
    write(u"res/three.json"_s, makeRule(u"p"_s, u"Three"_s, u"top"_s).toJson());
    write(u"user/Rules/any name"_s, makeRule(u"p"_s, u"Three"_s, u"user"_s).toJson());
    // Same name, another PackName: a second rule. Plain comparison puts upper case first.
    write(u"user/Rules/q.json"_s, makeRule(u"q"_s, u"One"_s, u"user"_s).toJson());
    write(u"user/Rules/low.json"_s, makeRule(u"p"_s, u"alpha"_s).toJson());

    EXPECT_EQ(loaded(), QStringList({u"pOne=sub"_s, u"qOne=user"_s, u"pThree=user"_s, u"pTwo=top"_s, u"palpha="_s}));
}

TEST_F(RuleStoreTest, ReadsEveryRegularUserFileButOnlyJsonResources)
{
    const QByteArray big = makeRule(u"p"_s, u"huge"_s).toJson() + QByteArray(5 << 20, ' ');
    write(u"user/Rules/notes.txt"_s, makeRule(u"p"_s, u"txt"_s).toJson());
    write(u"user/Rules/.hidden"_s, makeRule(u"p"_s, u"hidden"_s).toJson());
    write(u"user/Rules/invalid.json"_s, "{\"App\": true, \"Name\": ");
    write(u"user/Rules/incomplete.json"_s, R"({"App": true, "Name": "x", "Paths": []})");
    write(u"user/Rules/huge.json"_s, big);
    QDir().mkpath(user() + u"/folder.json"_s);
    // A named pipe would block a plain read forever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(user() + u"/pipe.json"_s).constData(), 0600), 0);
    write(u"res/Rules/skipped.txt"_s, makeRule(u"p"_s, u"res-txt"_s).toJson());
    write(u"res/Rules/upper.JSON"_s, makeRule(u"p"_s, u"res-upper"_s).toJson());
    write(u"res/other/deep.json"_s, makeRule(u"p"_s, u"res-deep"_s).toJson());

    EXPECT_EQ(loaded(), QStringList({u"phidden="_s, u"ptxt="_s}));
}

TEST_F(RuleStoreTest, SaveWritesTheEncodedRuleUnderItsIdentityAndReplacesIt)
{
    CleanupRule rule = makeRule(u"com.tencent.mm"_s, u"微信 小程序缓存"_s, u"1"_s);
    ASSERT_TRUE(store().saveRule(rule));
    rule.description = u"2"_s;
    QString error = u"stale"_s;
    ASSERT_TRUE(store().saveRule(rule, &error)); // a replaced file is no error
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(readAll(user() + u"/com.tencent.mm微信 小程序缓存.json"_s), rule.toJson());
    EXPECT_EQ(store().loadRules(), QList<CleanupRule>{rule});

    // A renamed rule is a new file; the old one stays. No temporary file is left behind.
    rule.name = u"新规则"_s;
    ASSERT_TRUE(store().saveRule(rule));
    EXPECT_EQ(QDir(user()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({u"com.tencent.mm微信 小程序缓存.json"_s, u"com.tencent.mm新规则.json"_s}));
}

TEST_F(RuleStoreTest, UnsafeIdentitiesAreNeverWrittenNorThroughALinkAndFailuresAreReported)
{
    const QStringList before = everything();
    const QList<QPair<QString, QString>> unsafe = {
        {u"../../"_s, u"escape"_s},
        {u"com.x"_s, u"/etc/evil"_s},
        {u"."_s, QString()},
        {QString(), u".."_s},
        {u"nul"_s, u"a"_s + QChar(u'\0') + u"b"_s},
    };
    for (const auto& [packName, name] : unsafe) {
        QString error;
        EXPECT_FALSE(store().saveRule(makeRule(packName, name), &error)) << (packName + name).toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(everything(), before); // not even the rule folder was created

    // ".." as part of a longer name is just a file name.
    ASSERT_TRUE(store().saveRule(makeRule(u".."_s, u"x"_s)));
    EXPECT_TRUE(QFileInfo::exists(user() + u"/..x.json"_s));

    // A save never writes through a link, and reports failures.
    write(u"outside.txt"_s, "keep me");
    QDir().mkpath(user());
    ASSERT_TRUE(QFile::link(path(u"outside.txt"_s), user() + u"/pn.json"_s));
    ASSERT_TRUE(store().saveRule(makeRule(u"p"_s, u"n"_s)));
    EXPECT_EQ(readAll(path(u"outside.txt"_s)), QByteArray("keep me"));
    EXPECT_FALSE(QFileInfo(user() + u"/pn.json"_s).isSymLink());

    // A folder holds the file's name: the save fails and leaves no temporary file.
    QDir().mkpath(user() + u"/pm.json/inside"_s);
    const QStringList withFolder = everything();
    QString error;
    EXPECT_FALSE(store().saveRule(makeRule(u"p"_s, u"m"_s), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(everything(), withFolder);

    // A file holds the rule folder's name.
    const RuleStore blocked({}, path(u"outside.txt/Rules"_s));
    EXPECT_FALSE(blocked.saveRule(makeRule(u"p"_s, u"n"_s), &error));
    EXPECT_TRUE(error.contains(u"规则文件夹"_s));
}

} // namespace
