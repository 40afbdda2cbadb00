#include "rules/RuleStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace Sweepora::Core;

namespace {

CleanupRule makeRule(const QString& packName, const QString& name, const QString& description = QString())
{
    CleanupRule rule;
    rule.packName = packName;
    rule.name = name;
    rule.description = description;
    rule.paths = {QStringLiteral("USERFOLDER/Library/Caches/x")};
    return rule;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Two resource folders (standing in for ":/Rules" and ":/") and a user rule folder.
class RuleStoreTest : public ::testing::Test
{
protected:
    QString path(const QString& relative) const { return m_root.filePath(relative); }
    QString user() const { return path(QStringLiteral("user/Rules")); }
    RuleStore store() const
    {
        return RuleStore({path(QStringLiteral("res/Rules")), path(QStringLiteral("res"))}, user());
    }

    void write(const QString& relative, const QByteArray& data)
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
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
            names << rule.ruleKey() + QLatin1Char('=') + rule.description;
        return names;
    }

    QTemporaryDir m_root;
};

} // namespace

TEST_F(RuleStoreTest, FallbackOnlyWhenNothingLoadsAndNothingIsWritten)
{
    const QStringList before = everything();
    EXPECT_EQ(store().loadRules(), QList<CleanupRule>{RuleStore::fallbackRule()});
    EXPECT_EQ(RuleStore::fallbackRule().ruleKey(), QStringLiteral("com.tencent.mm微信 小程序缓存"));
    EXPECT_EQ(everything(), before);

    write(QStringLiteral("user/Rules/broken.json"), "{");
    EXPECT_EQ(store().loadRules(), QList<CleanupRule>{RuleStore::fallbackRule()});
    // Any real rule replaces the fallback rather than joining it.
    write(QStringLiteral("user/Rules/x.json"), makeRule(QStringLiteral("a"), QStringLiteral("b")).toJson());
    EXPECT_EQ(loaded(), QStringList{QStringLiteral("ab=")});
}

TEST_F(RuleStoreTest, LaterSourcesWinByIdentityAndTheListIsSortedByName)
{
    for (const char* name : {"One", "Two", "Three"})
        write(QStringLiteral("res/Rules/%1.json").arg(QLatin1String(name)),
              makeRule(QStringLiteral("p"), QLatin1String(name), QStringLiteral("sub")).toJson());
    // The top level overrides the subfolder; the user folder overrides both.
    write(QStringLiteral("res/two.json"),
          makeRule(QStringLiteral("p"), QStringLiteral("Two"), QStringLiteral("top")).toJson());
    write(QStringLiteral("res/three.json"),
          makeRule(QStringLiteral("p"), QStringLiteral("Three"), QStringLiteral("top")).toJson());
    write(QStringLiteral("user/Rules/any name"),
          makeRule(QStringLiteral("p"), QStringLiteral("Three"), QStringLiteral("user")).toJson());
    // Same name, another PackName: a second rule. Plain comparison puts upper case first.
    write(QStringLiteral("user/Rules/q.json"),
          makeRule(QStringLiteral("q"), QStringLiteral("One"), QStringLiteral("user")).toJson());
    write(QStringLiteral("user/Rules/low.json"), makeRule(QStringLiteral("p"), QStringLiteral("alpha")).toJson());

    EXPECT_EQ(loaded(),
              QStringList({QStringLiteral("pOne=sub"), QStringLiteral("qOne=user"), QStringLiteral("pThree=user"),
                           QStringLiteral("pTwo=top"), QStringLiteral("palpha=")}));
}

TEST_F(RuleStoreTest, ReadsEveryRegularUserFileButOnlyJsonResources)
{
    const QByteArray big = makeRule(QStringLiteral("p"), QStringLiteral("huge")).toJson() + QByteArray(5 << 20, ' ');
    write(QStringLiteral("user/Rules/notes.txt"), makeRule(QStringLiteral("p"), QStringLiteral("txt")).toJson());
    write(QStringLiteral("user/Rules/.hidden"), makeRule(QStringLiteral("p"), QStringLiteral("hidden")).toJson());
    write(QStringLiteral("user/Rules/invalid.json"), "{\"App\": true, \"Name\": ");
    write(QStringLiteral("user/Rules/incomplete.json"), R"({"App": true, "Name": "x", "Paths": []})");
    write(QStringLiteral("user/Rules/huge.json"), big);
    QDir().mkpath(user() + QStringLiteral("/folder.json"));
    // A named pipe would block a plain read forever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(user() + QStringLiteral("/pipe.json")).constData(), 0600), 0);
    write(QStringLiteral("res/Rules/skipped.txt"), makeRule(QStringLiteral("p"), QStringLiteral("res-txt")).toJson());
    write(QStringLiteral("res/Rules/upper.JSON"), makeRule(QStringLiteral("p"), QStringLiteral("res-upper")).toJson());
    write(QStringLiteral("res/other/deep.json"), makeRule(QStringLiteral("p"), QStringLiteral("res-deep")).toJson());

    EXPECT_EQ(loaded(), QStringList({QStringLiteral("phidden="), QStringLiteral("ptxt=")}));
}

TEST_F(RuleStoreTest, SaveWritesTheEncodedRuleUnderItsIdentityAndReplacesIt)
{
    CleanupRule rule =
        makeRule(QStringLiteral("com.tencent.mm"), QStringLiteral("微信 小程序缓存"), QStringLiteral("1"));
    ASSERT_TRUE(store().saveRule(rule));
    rule.description = QStringLiteral("2");
    QString error = QStringLiteral("stale");
    ASSERT_TRUE(store().saveRule(rule, &error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(readAll(user() + QStringLiteral("/com.tencent.mm微信 小程序缓存.json")), rule.toJson());
    EXPECT_EQ(store().loadRules(), QList<CleanupRule>{rule});

    // A renamed rule is a new file; the old one stays. No temporary file is left behind.
    rule.name = QStringLiteral("新规则");
    ASSERT_TRUE(store().saveRule(rule));
    EXPECT_EQ(QDir(user()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList(
                  {QStringLiteral("com.tencent.mm微信 小程序缓存.json"), QStringLiteral("com.tencent.mm新规则.json")}));
}

TEST_F(RuleStoreTest, UnsafeIdentitiesAreNeverWritten)
{
    const QStringList before = everything();
    const QList<QPair<QString, QString>> unsafe = {
        {QStringLiteral("../../"), QStringLiteral("escape")},
        {QStringLiteral("com.x"), QStringLiteral("/etc/evil")},
        {QStringLiteral("."), QString()},
        {QString(), QStringLiteral("..")},
        {QStringLiteral("nul"), QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b")},
    };
    for (const auto& [packName, name] : unsafe) {
        QString error;
        EXPECT_FALSE(store().saveRule(makeRule(packName, name), &error)) << (packName + name).toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(everything(), before); // not even the rule folder was created

    // ".." as part of a longer name is just a file name.
    ASSERT_TRUE(store().saveRule(makeRule(QStringLiteral(".."), QStringLiteral("x"))));
    EXPECT_TRUE(QFileInfo::exists(user() + QStringLiteral("/..x.json")));
}

TEST_F(RuleStoreTest, SaveNeverWritesThroughALinkAndReportsFailures)
{
    write(QStringLiteral("outside.txt"), "keep me");
    QDir().mkpath(user());
    ASSERT_TRUE(QFile::link(path(QStringLiteral("outside.txt")), user() + QStringLiteral("/pn.json")));
    ASSERT_TRUE(store().saveRule(makeRule(QStringLiteral("p"), QStringLiteral("n"))));
    EXPECT_EQ(readAll(path(QStringLiteral("outside.txt"))), QByteArray("keep me"));
    EXPECT_FALSE(QFileInfo(user() + QStringLiteral("/pn.json")).isSymLink());

    // A folder holds the file's name: the save fails and leaves no temporary file.
    QDir().mkpath(user() + QStringLiteral("/pm.json/inside"));
    const QStringList before = everything();
    QString error;
    EXPECT_FALSE(store().saveRule(makeRule(QStringLiteral("p"), QStringLiteral("m")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(everything(), before);

    // A file holds the rule folder's name.
    const RuleStore blocked({}, path(QStringLiteral("outside.txt/Rules")));
    EXPECT_FALSE(blocked.saveRule(makeRule(QStringLiteral("p"), QStringLiteral("n")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("规则文件夹")));
}
