#include "cli/CliRunner.h"
#include "rules/CleanupRule.h"
#include "support/TreeBuilder.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Sweepora::Test;

namespace {

class RulesCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), data.root());
        // A user rule of our own, and a cache that one of the bundled rules names.
        const Sweepora::Core::CleanupRule rule{
            true, QStringLiteral("测试缓存"),    {QStringLiteral("USERFOLDER/AppCache")},
            0,    QStringLiteral("org.example"), QStringLiteral("d")};
        QFile file(data.folder(QStringLiteral("Sweepora/Rules")) + QStringLiteral("/x.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(rule.toJson());
        file.close();
        mine = home.file(QStringLiteral("AppCache/a/blob"), 5000);
        home.file(QStringLiteral("AppCache/.hidden"), 9999);
        pip = home.file(QStringLiteral(".cache/pip/http/1/entry"), 3000);
    }

    QStringList rules(const char* tail = "") const
    {
        return QStringList{QStringLiteral("--home"), home.root()} + words("--json rules") + words(tail);
    }

    QTemporaryDir m_dir;
    TreeBuilder home{m_dir.path() + QStringLiteral("/home")};
    TreeBuilder data{m_dir.path() + QStringLiteral("/data")};
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    QString mine, pip;
};

TEST_F(RulesCli, ListsUserAndBundledRulesLargestFirst)
{
    const CliRun run = runCli(rules(), m_env);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.at("command").toString(), QStringLiteral("rules"));
    EXPECT_EQ(run.at("message").toString(), QStringLiteral("发现 2 项可清理内容"));
    const QJsonArray items = run.items();
    ASSERT_EQ(items.size(), 2);
    const QJsonObject first = items[0].toObject();
    EXPECT_EQ(first[QLatin1String("id")].toString(), QStringLiteral("org.example测试缓存"));
    EXPECT_EQ(first[QLatin1String("name")].toString(), QStringLiteral("测试缓存"));
    EXPECT_EQ(first[QLatin1String("packName")].toString(), QStringLiteral("org.example"));
    EXPECT_EQ(first[QLatin1String("size")].toInteger(), 5000);
    EXPECT_EQ(first[QLatin1String("files")].toArray(), QJsonArray{mine});
    EXPECT_EQ(items[1].toObject()[QLatin1String("files")].toArray(), QJsonArray{pip});
    EXPECT_EQ(runCli(rules("extra"), m_env).exitCode, 1);
}

TEST_F(RulesCli, MovesEveryFileOfEveryListedResultToTheTrash)
{
    const CliRun run = runCli(rules("--move-to-trash --yes"), m_env);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.at("message").toString(), QStringLiteral("清理完成，文件已移到废纸篓"));
    EXPECT_EQ(run.at("moved").toArray().size(), 2);
    EXPECT_FALSE(QFile::exists(mine));
    EXPECT_FALSE(QFile::exists(pip));
    EXPECT_TRUE(QFile::exists(home.path(QStringLiteral("AppCache/.hidden"))));
    // A folder holding only listed files moves as one entry.
    EXPECT_TRUE(QFile::exists(data.path(QStringLiteral("Trash/files/a/blob"))));
}

} // namespace
