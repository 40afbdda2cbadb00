// The command line's side of the safety rules: links never lead a listing or a move out of the
// home, the move after the question re-checks what the scan saw, protected places stay.
#include "cli/CliRunner.h"
#include "cli/Command.h"
#include "platform/Sandbox.h"
#include "support/TreeBuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace Sweepora::Test;
using namespace Sweepora::Cli;

namespace {

class CliSafety : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid() && m_outsideDir.isValid());
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.path() + QStringLiteral("/data"));
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path() + QStringLiteral("/config"));
    }

    CliRun run(const char* arguments, const QString& homeFolder = {}) const
    {
        return runCli(QStringList{QStringLiteral("--home"), homeFolder.isEmpty() ? home.root() : homeFolder} +
                          words(arguments),
                      m_env);
    }

    QTemporaryDir m_dir;
    QTemporaryDir m_outsideDir;
    TreeBuilder home{m_dir.path() + QStringLiteral("/home")};
    TreeBuilder outside{m_outsideDir.path()};
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
};

} // namespace

TEST_F(CliSafety, ALinkInsideTheHomeNeverLeadsOutOfIt)
{
    const QString secret = outside.file(QStringLiteral("ssl/private/key.log"), 70000);
    outside.file(QStringLiteral("Lib/Caches/com.foo/precious.db"), 70000);
    home.symlink(QStringLiteral("etclink"), outside.root());
    home.symlink(QStringLiteral("Library"), outside.path(QStringLiteral("Lib")));
    TreeBuilder rules(m_dir.path() + QStringLiteral("/data/Sweepora/Rules"));
    QFile rule(rules.file(QStringLiteral("xevil.json")));
    ASSERT_TRUE(rule.open(QIODevice::WriteOnly));
    rule.write(R"({"App": false, "Description": "d", "Name": "evil", "Notice": 0, "PackName": "x",
                   "Paths": ["USERFOLDER/etclink/ssl"]})");
    rule.close();

    for (const char* command : {"--json rules --move-to-trash --yes", "--json app-caches --move-to-trash --yes",
                                "--json storage " /* + link */, "--json search key --move-to-trash --yes"}) {
        QStringList arguments = words(command);
        if (arguments.contains(QStringLiteral("storage")))
            arguments +=
                {home.path(QStringLiteral("etclink/ssl")), QStringLiteral("--move-to-trash"), QStringLiteral("--yes")};
        const CliRun r = runCli(QStringList{QStringLiteral("--home"), home.root()} + arguments, m_env);
        EXPECT_TRUE(r.items().isEmpty()) << command << r.out.toStdString();
        EXPECT_TRUE(r.at("moved").toArray().isEmpty()) << command;
    }
    EXPECT_TRUE(QFileInfo::exists(secret));
}

TEST_F(CliSafety, TheMoveAfterTheQuestionChecksAgainWhatTheScanSaw)
{
    // In process, as the command line runs: scan, then the folder becomes a link, then the move.
    home.file(QStringLiteral("dir/target.log"), 70000);
    const QString thesis = outside.file(QStringLiteral("dir/target.log"), 70000);
    Sweepora::Core::Sandbox::openScope(home.root());
    const struct
    {
        const char* command;
        const char* arguments;
    } table[] = {{"large", "--min 0.00001"}, {"search", "target"}, {"storage", ""}, {"rules", ""}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.command);
        const auto it = std::find_if(commandTable().cbegin(), commandTable().cend(),
                                     [&](const Command& c) { return c.name == QLatin1String(row.command); });
        ASSERT_NE(it, commandTable().cend());
        std::unique_ptr<CommandRunner> runner = it->make();
        QStringList arguments = words(row.arguments);
        if (QLatin1String(row.command) == QLatin1String("storage"))
            arguments = {home.path(QStringLiteral("dir"))};
        ASSERT_TRUE(runner->parse(arguments).isEmpty());
        const Listing listing = runner->scan({home.root(), std::nullopt, {}});
        if (QLatin1String(row.command) == QLatin1String("rules"))
            continue; // no rule names this folder; the rule clean is covered by the engines' tests
        ASSERT_FALSE(listing.trashPaths.isEmpty());
        ASSERT_TRUE(QDir().rename(home.path(QStringLiteral("dir")), home.path(QStringLiteral("dir.scanned"))));
        home.symlink(QStringLiteral("dir"), outside.path(QStringLiteral("dir")));

        const Sweepora::Core::TrashBatchResult result = runner->moveToTrash(listing.trashPaths);
        EXPECT_TRUE(result.moved.isEmpty());
        EXPECT_FALSE(result.failed.isEmpty());
        EXPECT_TRUE(QFileInfo::exists(thesis));
        ASSERT_TRUE(QFile::remove(home.path(QStringLiteral("dir"))));
        ASSERT_TRUE(QDir().rename(home.path(QStringLiteral("dir.scanned")), home.path(QStringLiteral("dir"))));
    }
    Sweepora::Core::Sandbox::reset();
}

TEST_F(CliSafety, AHomeReachedThroughALinkScansAndCleans)
{
    const QString big = home.file(QStringLiteral("a/big.iso"), 70000);
    const QString viaLink = m_dir.path() + QStringLiteral("/link");
    ASSERT_TRUE(QFile::link(home.root(), viaLink));
    const CliRun r = run("--json large --min 0.00001 --move-to-trash --yes", viaLink);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.at("moved").toArray(), QJsonArray{viaLink + QStringLiteral("/a/big.iso")});
    EXPECT_FALSE(QFileInfo::exists(big));
}

TEST_F(CliSafety, ProtectAddsListsAndRemovesTheUsersOwnPlaces)
{
    const QString kept = home.file(QStringLiteral("keep/big.iso"), 70000);
    home.file(QStringLiteral("Documents"), 0); // a built-in place, even as a file
    CliRun r = run("--json protect");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonArray builtIn = r.items();
    ASSERT_FALSE(builtIn.isEmpty());
    EXPECT_EQ(builtIn[0].toObject().keys(), words("builtIn path"));
    EXPECT_EQ(builtIn[0][QStringLiteral("path")].toString(), home.root());
    EXPECT_TRUE(builtIn[0][QStringLiteral("builtIn")].toBool());

    r = runCli({QStringLiteral("--home"), home.root(), QStringLiteral("--json"), QStringLiteral("protect"),
                QStringLiteral("add"), home.path(QStringLiteral("keep"))},
               m_env);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.items().last().toObject(), (QJsonObject{{QStringLiteral("path"), home.path(QStringLiteral("keep"))},
                                                        {QStringLiteral("builtIn"), false}}));
    EXPECT_EQ(run("--json large --min 0.00001").items().size(), 0) << "a protected folder's files are not offered";
    EXPECT_EQ(run("protect remove /nowhere").exitCode, 1);
    EXPECT_EQ(run("protect frobnicate x").exitCode, 1);

    r = runCli({QStringLiteral("--home"), home.root(), QStringLiteral("protect"), QStringLiteral("remove"),
                home.path(QStringLiteral("keep"))},
               m_env);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(run("--json large --min 0.00001").items().size(), 1);
    EXPECT_TRUE(QFileInfo::exists(kept));
}

TEST_F(CliSafety, ReportsAreValidJsonAndALostReportIsAFailure)
{
    // A name that is not UTF-8 keeps its exact bytes beside a readable path.
    const QByteArray name = "bad\xff"
                            "name.log";
    const QString bad = home.file(QStringLiteral("x"));
    ASSERT_EQ(::rename(QFile::encodeName(bad).constData(), (QFile::encodeName(home.root()) + "/" + name).constData()),
              0);
    const CliRun r = run("--json search bad");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(QString::fromUtf8(r.out).isValidUtf16());
    EXPECT_FALSE(r.out.contains("\\udc")) << r.out.toStdString();
    const QJsonObject item = r.items().at(0).toObject();
    EXPECT_EQ(item[QStringLiteral("path")].toString(), home.root() + QStringLiteral("/bad\uFFFDname.log"));
    EXPECT_EQ(QByteArray::fromBase64(item[QStringLiteral("pathBytes")].toString().toLatin1()),
              QFile::encodeName(home.root()) + "/" + name);

    // Standard output on a full disk: the run fails and says so.
    QProcess p;
    p.setProcessEnvironment(m_env);
    p.setStandardOutputFile(QStringLiteral("/dev/full"));
    p.start(QStringLiteral(SWEEPORA_CLI_PATH), {QStringLiteral("--home"), home.root(), QStringLiteral("trash")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("cannot write the report"));
}

TEST_F(CliSafety, OnATerminalOnlyAWholeYesOrNoAnswers)
{
    // util-linux's script gives the command a terminal fed from the pipe below.
    if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
        GTEST_SKIP() << "script (util-linux) is not installed";
    const QString big = home.file(QStringLiteral("big.iso"), 70000);
    const auto ask = [&](const QByteArray& answers) {
        QProcess p;
        p.setProcessEnvironment(m_env);
        const QString command = QStringLiteral("'%1' --home '%2' large --min 0.00001 --move-to-trash")
                                    .arg(QStringLiteral(SWEEPORA_CLI_PATH), home.root());
        p.start(QStringLiteral("script"), {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")});
        p.write(answers);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    // A long line is one answer, not the start of the next; only y/yes/n/no count.
    const QString declined = ask(QByteArray(65, 'x') + "\nmaybe\nNO\n");
    EXPECT_EQ(declined.count(QStringLiteral("[y/N]")), 3) << declined.toStdString();
    EXPECT_TRUE(QFileInfo::exists(big));
    ask("Yes\n");
    EXPECT_FALSE(QFileInfo::exists(big));
}
