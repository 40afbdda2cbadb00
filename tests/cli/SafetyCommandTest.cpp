// The command line's side of the safety rules: links never lead a listing or a move out of the
// home, the move after the question re-checks what the scan saw, protected places stay.
#include "cli/CliRunner.h"
#include "cli/Command.h"
#include "core/platform/Sandbox.h"
#include "support/Tools.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace Sweepora::Test;
using namespace Sweepora::Cli;
using namespace Qt::StringLiterals;

namespace {

class CliSafety : public CliTest
{
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        ASSERT_TRUE(m_outsideDir.isValid());
        env.insert(u"XDG_CONFIG_HOME"_s, m_dir.path() + u"/config"_s);
    }

    QTemporaryDir m_outsideDir;
    TreeBuilder outside{m_outsideDir.path()};
};

} // namespace

TEST_F(CliSafety, ALinkInsideTheHomeNeverLeadsOutOfItButAHomeReachedThroughOneIsCleaned)
{
    const QString secret = outside.file(u"ssl/private/key.log"_s, 70000);
    home.symlink(u"etclink"_s, outside.root());
    // Rules and application caches behind links are covered by the engines' tests; the command
    // line's own part is the folder it is given and the home it walks.
    for (const QString& command : {u"--json storage "_s + home.path(u"etclink/ssl"_s), u"--json search key"_s}) {
        const CliRun r = cli(command.split(u' ') + words("--move-to-trash --yes"));
        EXPECT_TRUE(r.items().isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.at("moved").toArray().isEmpty()) << command.toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(secret));

    // A home reached through a link scans and cleans.
    const QString big = home.file(u"a/big.iso"_s, 70000);
    const QString viaLink = m_dir.path() + u"/link"_s;
    ASSERT_TRUE(QFile::link(home.root(), viaLink));
    const CliRun r =
        runCli(QStringList{u"--home"_s, viaLink} + words("--json large --min 0.00001 --move-to-trash --yes"), env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.at("moved").toArray(), QJsonArray{viaLink + u"/a/big.iso"_s});
    EXPECT_FALSE(QFileInfo::exists(big));
}

TEST_F(CliSafety, TheMoveAfterTheQuestionChecksAgainWhatTheScanSawReportsAreValidJsonAndALostReportIsAFailure)
{
    // In process, as the command line runs: scan, then the folder becomes a link, then the move.
    home.file(u"dir/target.log"_s, 70000);
    const QString thesis = outside.file(u"dir/target.log"_s, 70000);
    Sweepora::Core::Sandbox::openScope(home.root());
    for (const auto& [command, arguments] : {std::pair{u"large"_s, words("--min 0.00001")},
                                             {u"search"_s, {u"target"_s}},
                                             {u"storage"_s, {home.path(u"dir"_s)}},
                                             {u"rules"_s, {}}}) {
        SCOPED_TRACE(command.toStdString());
        const auto it = std::find_if(commandTable().cbegin(), commandTable().cend(),
                                     [&](const Command& c) { return c.name == command; });
        ASSERT_NE(it, commandTable().cend());
        std::unique_ptr<CommandRunner> runner = it->make();
        ASSERT_TRUE(runner->parse(arguments).isEmpty());
        const Listing listing = runner->scan({home.root(), std::nullopt, {}});
        if (command == u"rules"_s)
            continue; // no rule names this folder; the rule clean is covered by the engines' tests
        ASSERT_FALSE(listing.trashPaths.isEmpty());
        ASSERT_TRUE(QDir().rename(home.path(u"dir"_s), home.path(u"dir.scanned"_s)));
        home.symlink(u"dir"_s, outside.path(u"dir"_s));

        const Sweepora::Core::TrashBatchResult result = runner->moveToTrash(listing.trashPaths);
        EXPECT_TRUE(result.moved.isEmpty());
        EXPECT_FALSE(result.failed.isEmpty());
        EXPECT_TRUE(QFileInfo::exists(thesis));
        ASSERT_TRUE(QFile::remove(home.path(u"dir"_s)));
        ASSERT_TRUE(QDir().rename(home.path(u"dir.scanned"_s), home.path(u"dir"_s)));
    }
    Sweepora::Core::Sandbox::reset();

    // A name that is not UTF-8 keeps its exact bytes beside a readable path.
    const QByteArray name = "bad\xff"
                            "name.log";
    home.fileBytes(name.toStdString());
    const CliRun r = ok("--json search bad");
    EXPECT_TRUE(QString::fromUtf8(r.out).isValidUtf16());
    EXPECT_FALSE(r.out.contains("\\udc")) << r.out.toStdString();
    const QJsonObject item = r.items().at(0).toObject();
    EXPECT_EQ(item[u"path"_s].toString(), home.root() + u"/bad\uFFFDname.log"_s);
    EXPECT_EQ(QByteArray::fromBase64(item[u"pathBytes"_s].toString().toLatin1()),
              QFile::encodeName(home.root()) + "/" + name);

    // Standard output on a full disk: the run fails and says so.
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(u"/dev/full"_s);
    p.start(QStringLiteral(SWEEPORA_CLI_PATH), {u"--home"_s, home.root(), u"trash"_s});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("cannot write the report"));
}

TEST_F(CliSafety, ProtectAddsListsAndRemovesTheUsersOwnPlaces)
{
    const QString kept = home.file(u"keep/big.iso"_s, 70000);
    home.file(u"Documents"_s, 0); // a built-in place, even as a file
    EXPECT_EQ(ok("--json protect").items().at(0).toObject(),
              (QJsonObject{{u"path"_s, home.root()}, {u"builtIn"_s, true}}));

    CliRun r = ok({u"--json"_s, u"protect"_s, u"add"_s, home.path(u"keep"_s)});
    EXPECT_EQ(r.items().last().toObject(), (QJsonObject{{u"path"_s, home.path(u"keep"_s)}, {u"builtIn"_s, false}}));
    EXPECT_EQ(cli("--json large --min 0.00001").items().size(), 0) << "a protected folder's files are not offered";
    EXPECT_EQ(cli("protect remove /nowhere").exitCode, 1);
    EXPECT_EQ(cli("protect frobnicate x").exitCode, 1);

    r = ok({u"protect"_s, u"remove"_s, home.path(u"keep"_s)});
    EXPECT_EQ(cli("--json large --min 0.00001").items().size(), 1);
    EXPECT_TRUE(QFileInfo::exists(kept));
}

TEST_F(CliSafety, OnATerminalOnlyAWholeYesOrNoAnswers)
{
    // util-linux's script gives the command a terminal fed from the pipe below.
    SWEEPORA_REQUIRE_TOOL("script");
    const QString big = home.file(u"big.iso"_s, 70000);
    const auto ask = [&](const QByteArray& answers) {
        QProcess p;
        p.setProcessEnvironment(env);
        const QString command = u"'%1' --home '%2' large --min 0.00001 --move-to-trash"_s.arg(
            QStringLiteral(SWEEPORA_CLI_PATH), home.root());
        p.start(u"script"_s, {u"-qec"_s, command, u"/dev/null"_s});
        p.write(answers);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    // A long line is one answer, not the start of the next; only y/yes/n/no count.
    const QString declined = ask(QByteArray(65, 'x') + "\nmaybe\nNO\n");
    EXPECT_EQ(declined.count(u"[y/N]"_s), 3) << declined.toStdString();
    EXPECT_TRUE(QFileInfo::exists(big));
    ask("Yes\n");
    EXPECT_FALSE(QFileInfo::exists(big));
}
