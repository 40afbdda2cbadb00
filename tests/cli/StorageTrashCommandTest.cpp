// Runs the real sweepora-cli binary for storage and trash on fixture trees.
#include "cli/CliRunner.h"
#include "support/TreeBuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace Sweepora::Test;

namespace {

class StorageCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // The Trash is made inside an existing data folder, never in its place.
        ASSERT_TRUE(QDir().mkpath(m_dir.path() + QStringLiteral("/data")));
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.path() + QStringLiteral("/data"));
        docs = home.file(QStringLiteral("docs/a"), 100000);
        home.file(QStringLiteral("docs/.b"), 50000);
        file = home.file(QStringLiteral("file.bin"), 20000);
        home.file(QStringLiteral(".hidden"), 900000);
        home.symlink(QStringLiteral("link"), file);
    }

    CliRun run(const char* tail) const
    {
        return runCli(QStringList{QStringLiteral("--home"), home.root(), QStringLiteral("--json")} + words(tail),
                      m_env);
    }

    QTemporaryDir m_dir;
    TreeBuilder home{m_dir.path() + QStringLiteral("/home")};
    TreeBuilder trash{m_dir.path() + QStringLiteral("/data/Trash/files")};
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    QString docs, file;
};

TEST_F(StorageCli, StorageRanksTheChildrenOfHomeOrOfTheFolderNamedAndRefusesAnythingElse)
{
    const CliRun r = run("storage");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.at("message").toString(), QStringLiteral("共 2 项"));
    const QJsonArray items = r.items();
    ASSERT_EQ(items.size(), 2);
    const QJsonObject first = items[0].toObject();
    EXPECT_EQ(first.keys(), words("isDirectory path size"));
    EXPECT_EQ(first[QLatin1String("path")].toString(), home.path(QStringLiteral("docs")));
    EXPECT_TRUE(first[QLatin1String("isDirectory")].toBool());
    EXPECT_EQ(first[QLatin1String("size")].toInteger(),
              allocated(docs) + allocated(home.path(QStringLiteral("docs/.b"))));
    EXPECT_EQ(items[1].toObject()[QLatin1String("path")].toString(), file);
    EXPECT_FALSE(items[1].toObject()[QLatin1String("isDirectory")].toBool());

    // Another folder, named on the command line.
    const QString outside = TreeBuilder(m_dir.path()).file(QStringLiteral("outside/x"), 3000);
    const CliRun other = run(QStringLiteral("storage %1").arg(QFileInfo(outside).path()).toUtf8().constData());
    ASSERT_EQ(other.items().size(), 1);
    EXPECT_EQ(other.items()[0].toObject()[QLatin1String("path")].toString(), outside);

    // What it cannot analyse.
    EXPECT_EQ(run("storage a b").exitCode, 1);
    EXPECT_EQ(run("storage --deep").exitCode, 1);
    EXPECT_EQ(run("storage /nonexistent/folder").exitCode, 2);
    const CliRun r2 =
        runCli(QStringList{QStringLiteral("--home"), home.root(), QStringLiteral("storage"), file}, m_env);
    EXPECT_EQ(r2.exitCode, 2);
    EXPECT_TRUE(r2.err.contains(QStringLiteral("not a folder"))) << r2.err.toStdString();
}

TEST_F(StorageCli, StorageMovesTheListedChildrenToTheTrash)
{
    const CliRun r = run("storage --move-to-trash --yes");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.at("message").toString(), QStringLiteral("已将 2 项移到废纸篓"));
    EXPECT_EQ(r.at("moved").toArray().size(), 2);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_FALSE(QFileInfo::exists(docs));
    EXPECT_TRUE(QFileInfo::exists(home.path(QStringLiteral(".hidden"))));
    EXPECT_TRUE(QFileInfo(home.path(QStringLiteral("link"))).isSymLink());
}

TEST_F(StorageCli, TrashPrintsItsCountSizeAndAvailability)
{
    CliRun r = run("trash");
    ASSERT_EQ(r.exitCode, 0);
    QJsonObject o = r.json();
    EXPECT_EQ(o.keys(), words("available command itemCount message totalSize"));
    EXPECT_FALSE(o[QLatin1String("available")].toBool()) << "no Trash folder yet";
    EXPECT_EQ(o[QLatin1String("message")].toString(), QStringLiteral("暂时无法读取"));

    const qint64 size = allocated(trash.file(QStringLiteral(".hidden"), 7000)) +
                        allocated(trash.file(QStringLiteral("folder/a"), 9000)) +
                        allocated(trash.file(QStringLiteral("folder/b/c"), 11000));
    r = run("trash");
    o = r.json();
    EXPECT_TRUE(o[QLatin1String("available")].toBool());
    EXPECT_EQ(o[QLatin1String("itemCount")].toInt(), 2);
    EXPECT_EQ(o[QLatin1String("totalSize")].toInteger(), size);
    EXPECT_EQ(run("trash extra").exitCode, 1);
    EXPECT_EQ(run("trash --move-to-trash --yes").exitCode, 1);
}

} // namespace
