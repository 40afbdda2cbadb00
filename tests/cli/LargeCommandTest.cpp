// Runs the real sweepora-cli binary on fixture trees.
#include "cli/CliRunner.h"
#include "support/TreeBuilder.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace Sweepora::Test;

namespace {

class Cli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        c = home.file(QStringLiteral("c.bin"), 200000);
        a = home.file(QStringLiteral("a.bin"), 100000);
        b = home.file(QStringLiteral("sub/B.bin"), 100000);
        home.file(QStringLiteral("small.txt"), 1000);
        home.file(QStringLiteral(".hidden/huge.bin"), 300000);
        home.file(QStringLiteral("Tool.app/Contents/huge.bin"), 300000);
        home.symlink(QStringLiteral("link.bin"), c);
    }

    // --home ROOT --json large TAIL; 0.00005 GB is 53,687 bytes.
    QStringList large(const char* tail = "--min 0.00005", const QString& root = {}) const
    {
        return QStringList{QStringLiteral("--home"), root.isEmpty() ? home.root() : root} + words("--json large") +
               words(tail);
    }

    QTemporaryDir m_dir;
    TreeBuilder home{m_dir.path()};
    QString a, b, c;
};

} // namespace

TEST_F(Cli, LargePrintsOneJsonObjectOrATableWithItemsInPageOrder)
{
    const CliRun run = runCli(large());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.count('\n'), 1) << "one object, one line";
    EXPECT_EQ(run.json().keys(), words("command items message"));
    EXPECT_EQ(run.at("command").toString(), QStringLiteral("large"));
    EXPECT_EQ(run.at("message").toString(), QStringLiteral("发现 3 个大文件"));
    const QJsonArray items = run.items();
    ASSERT_EQ(items.size(), 3);
    const QString expected[] = {c, a, b}; // larger first; equal sizes a before B
    for (int i = 0; i < 3; ++i) {
        const QJsonObject item = items[i].toObject();
        EXPECT_EQ(item.keys(), words("path size"));
        EXPECT_EQ(item[QLatin1String("path")].toString(), expected[i]);
        EXPECT_EQ(item[QLatin1String("size")].toInteger(), allocated(expected[i]));
    }

    const CliRun table = runCli(QStringList{QStringLiteral("--home"), home.root()} + words("large --min 0.00005"));
    ASSERT_EQ(table.exitCode, 0);
    const QStringList lines = QString::fromUtf8(table.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << table.out.toStdString();
    EXPECT_TRUE(lines[1].endsWith(c));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("201 KB")));
    // Sizes are right-aligned: the paths start in one column.
    EXPECT_EQ(lines[1].indexOf(QLatin1Char('/')), lines[3].indexOf(QLatin1Char('/')));
    EXPECT_EQ(lines[4], QStringLiteral("发现 3 个大文件"));

    // The default minimum is one gigabyte.
    const CliRun byDefault = runCli(large(""));
    ASSERT_EQ(byDefault.exitCode, 0);
    EXPECT_EQ(byDefault.at("message").toString(), QStringLiteral("没有发现符合条件的大文件"));
    EXPECT_TRUE(byDefault.items().isEmpty());
}

TEST_F(Cli, UsageErrorsExitOneAndSayHow)
{
    // The first is no command at all; 1e-12 GB is below one byte.
    const QStringList bad = QStringLiteral("|frobnicate|--bogus large|--home|--home= large|--now yesterday large|"
                                           "large --what|large --yes|large --min|large --min 0|large --min -1|"
                                           "large --min abc|large --min nan|large --min inf|large --min=1e300|"
                                           "large --min 1e-12")
                                .split(QLatin1Char('|'));
    for (const QString& tail : bad) {
        // A usage error wins over a home folder that does not exist: nothing is touched first.
        const CliRun run = runCli(QStringList{QStringLiteral("--home"), home.path(QStringLiteral("missing"))} +
                                  tail.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        EXPECT_EQ(run.exitCode, 1) << tail.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String("usage: sweepora-cli"))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    const CliRun unknown = runCli(words("frobnicate"));
    EXPECT_TRUE(unknown.err.contains(QLatin1String("frobnicate")));
    EXPECT_TRUE(unknown.err.contains(QLatin1String("large [--min GB]")));

    for (const char* good : {"--min=0.00005", "--min 5e-5", "--min 10"})
        EXPECT_EQ(runCli(large(good)).exitCode, 0) << good;
    EXPECT_EQ(runCli(large("--min=0.00005")).items().size(), 3);
}

TEST_F(Cli, AHomeThatCannotBeScannedExitsTwoAndSweeporaHomeStandsInForTheOption)
{
    const QString file = home.file(QStringLiteral("plain.txt"));
    const QString dangling = home.symlink(QStringLiteral("alias"), home.path(QStringLiteral("gone")));
    for (const QString& where : {home.path(QStringLiteral("missing")), file, dangling}) {
        const CliRun run = runCli(large("", where));
        EXPECT_EQ(run.exitCode, 2) << where.toStdString();
        EXPECT_TRUE(run.err.contains(where)) << run.err.toStdString();
        // With --json the failure is also one object on standard output.
        EXPECT_EQ(run.json(), (QJsonObject{{QStringLiteral("command"), QStringLiteral("large")},
                                           {QStringLiteral("error"), true},
                                           {QStringLiteral("message"), run.at("message")}}));
        EXPECT_TRUE(run.at("message").toString().contains(where));
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SWEEPORA_HOME"), home.path(QStringLiteral("sub")));
    const CliRun run = runCli(words("--json large --min 0.00005"), env);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(run.items().size(), 1);
    EXPECT_EQ(run.items()[0].toObject()[QLatin1String("path")].toString(), b);
}

TEST_F(Cli, MoveToTrashNeedsYesWithoutATerminalAndReportsTheMovedFiles)
{
    const CliRun refused = runCli(large("--min 0.00005 --move-to-trash"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QLatin1String("--yes"))) << refused.err.toStdString();
    EXPECT_TRUE(refused.at("error").toBool());
    EXPECT_TRUE(QFileInfo::exists(c));

    QTemporaryDir data;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    const CliRun run = runCli(large("--min 0.00005 --move-to-trash --yes", home.path(QStringLiteral("sub"))), env);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.items().size(), 1);
    EXPECT_TRUE(run.at("failed").toArray().isEmpty()) << run.out.toStdString();
    EXPECT_EQ(run.at("moved").toArray(), QJsonArray{b});
    EXPECT_EQ(run.at("message").toString(), QStringLiteral("已将 1 个文件移到废纸篓"));
    EXPECT_FALSE(QFileInfo::exists(b));
    EXPECT_TRUE(QFileInfo::exists(data.path() + QStringLiteral("/Trash/files/B.bin")));
}
