// The command line's cleans are batches of the journal the GUI reads: history lists them and
// restore puts them back; a clean killed halfway leaves a journal that agrees with the disk.
#include "cli/CliRunner.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"
#include "core/trash/CleanupJournal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <csignal>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

TEST_F(CliTest, HistoryListsAMoveAsABatchThatRestoreBringsBackEvenAfterAKilledClean)
{
    // The runs share this process's data folder, whose journal the test reads.
    env = QProcessEnvironment::systemEnvironment();
    const QString big = home.file(u"sub/big.bin"_s, 100000);
    const qint64 size = TreeBuilder::allocatedBytes(big);
    ASSERT_EQ(cli("--json large --min 0.00005 --move-to-trash --yes").exitCode, 0);
    ASSERT_FALSE(QFileInfo::exists(big));

    const CliRun history = ok("--json history");
    ASSERT_FALSE(history.items().isEmpty());
    const QJsonObject newest = history.items()[0].toObject();
    EXPECT_EQ(newest.keys(), words("count id inTrash section size time"));
    EXPECT_EQ(newest[u"section"].toString(), u"large"_s);
    EXPECT_EQ(newest[u"count"].toInt(), 1);
    EXPECT_EQ(newest[u"inTrash"].toInt(), 1);
    EXPECT_EQ(newest[u"size"].toInteger(), size) << "the size the listing showed";
    EXPECT_TRUE(QDateTime::fromString(newest[u"time"].toString(), Qt::ISODateWithMs).isValid());

    // An unknown batch is a usage error (the others are with the other commands').
    const CliRun unknown = cli("--json restore 999999 --yes");
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.at("error").toBool());

    const CliRun restore = ok("--json restore --last --yes");
    EXPECT_EQ(restore.at("restored").toArray(), QJsonArray{big});
    EXPECT_EQ(restore.at("failed").toArray(), QJsonArray());
    EXPECT_EQ(restore.at("message").toString(), u"已恢复 1 项"_s);
    EXPECT_EQ(QFileInfo(big).size(), 100000);
    EXPECT_EQ(cli("--json history").items()[0].toObject()[u"inTrash"].toInt(), 0);

    // A clean killed halfway leaves a journal that agrees with the disk.
    constexpr int kFiles = 4000;
    for (int i = 0; i < kFiles; ++i)
        home.file(u"junk/k%1.kill"_s.arg(i), 10);
    QProcess clean;
    clean.start(QStringLiteral(SWEEPORA_CLI_PATH),
                QStringList{u"--home"_s, home.root()} + words("--json search .kill --move-to-trash --yes"));

    ASSERT_TRUE(clean.waitForStarted());
    // Killed once some files have moved and others wait.
    QElapsedTimer timer;
    timer.start();
    while (QDir(home.path(u"junk"_s)).count() > kFiles + 2 - 200 && timer.elapsed() < 60000 &&
           clean.state() == QProcess::Running)
        QThread::usleep(200);
    ::kill(pid_t(clean.processId()), SIGKILL);
    clean.waitForFinished();
    const int left = int(QDir(home.path(u"junk"_s)).entryList(QDir::Files).size());
    if (left == 0)
        GTEST_SKIP() << "the clean finished before it could be killed";

    // A new process settles what the killed one left pending.
    CleanupJournal journal(CleanupJournal::fileFor(PlatformLayout::current().applicationSupport));
    journal.settlePending({bytesFromPath(PlatformLayout::current().dataHome + u"/Trash/files"_s)});
    const QList<CleanupJournal::Batch> batches = journal.batches(1);
    ASSERT_EQ(batches.size(), 1);
    int inTrash = 0;
    for (const CleanupJournal::Entry& e : journal.entries(batches[0].id)) {
        ASSERT_EQ(e.state, CleanupJournal::State::inTrash);
        EXPECT_FALSE(QFileInfo::exists(pathFromBytes(e.path)));
        EXPECT_TRUE(QFileInfo::exists(pathFromBytes(e.trash)));
        ++inTrash;
    }
    EXPECT_EQ(inTrash + left, kFiles) << "every file is either in place or journaled in the Trash";
    EXPECT_EQ(batches[0].inTrash, inTrash);

    // And the batch restores.
    const CliRun again = cli("--json restore --last --yes");
    EXPECT_EQ(again.at("restored").toArray().size(), inTrash);
    EXPECT_EQ(QDir(home.path(u"junk"_s)).entryList(QDir::Files).size(), kFiles);
}
