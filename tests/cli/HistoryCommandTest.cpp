// The command line's cleans are batches of the journal the GUI reads: history lists them and
// restore puts them back; a clean killed halfway leaves a journal that agrees with the disk.
#include "cli/CliRunner.h"
#include "platform/PathBytes.h"
#include "platform/PlatformLayout.h"
#include "support/TreeBuilder.h"
#include "trash/CleanupJournal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

class HistoryCli : public ::testing::Test
{
protected:
    QStringList args(const char* tail) const
    {
        return QStringList{QStringLiteral("--home"), home.root(), QStringLiteral("--json")} + words(tail);
    }

    QTemporaryDir m_dir;
    TreeBuilder home{m_dir.path()};
};

} // namespace

TEST_F(HistoryCli, AMoveIsABatchThatHistoryListsAndRestoreBringsBack)
{
    const QString big = home.file(QStringLiteral("sub/big.bin"), 100000);
    const qint64 size = allocated(big);
    ASSERT_EQ(runCli(args("large --min 0.00005 --move-to-trash --yes")).exitCode, 0);
    ASSERT_FALSE(QFileInfo::exists(big));

    const CliRun history = runCli(args("history"));
    ASSERT_EQ(history.exitCode, 0);
    ASSERT_FALSE(history.items().isEmpty());
    const QJsonObject newest = history.items()[0].toObject();
    EXPECT_EQ(newest.keys(), words("count id inTrash section size time"));
    EXPECT_EQ(newest[u"section"].toString(), QStringLiteral("large"));
    EXPECT_EQ(newest[u"count"].toInt(), 1);
    EXPECT_EQ(newest[u"inTrash"].toInt(), 1);
    EXPECT_EQ(newest[u"size"].toInteger(), size) << "the size the listing showed";
    EXPECT_TRUE(QDateTime::fromString(newest[u"time"].toString(), Qt::ISODateWithMs).isValid());

    // Without --yes there is no terminal to ask on; an unknown batch is a usage error.
    EXPECT_EQ(runCli(args("restore --last")).exitCode, 1);
    const CliRun unknown = runCli(args("restore 999999 --yes"));
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.at("error").toBool());
    EXPECT_EQ(runCli(args("restore abc --yes")).exitCode, 1);
    EXPECT_EQ(runCli(args("history --yes")).exitCode, 1);

    const CliRun restore = runCli(args("restore --last --yes"));
    ASSERT_EQ(restore.exitCode, 0) << restore.out.toStdString();
    EXPECT_EQ(restore.at("restored").toArray(), QJsonArray{big});
    EXPECT_EQ(restore.at("failed").toArray(), QJsonArray());
    EXPECT_EQ(restore.at("message").toString(), QStringLiteral("已恢复 1 项"));
    EXPECT_EQ(QFileInfo(big).size(), 100000);
    EXPECT_EQ(runCli(args("history")).items()[0].toObject()[u"inTrash"].toInt(), 0);
}

TEST_F(HistoryCli, AKilledCleanLeavesAJournalThatAgreesWithTheDisk)
{
    constexpr int kFiles = 4000;
    for (int i = 0; i < kFiles; ++i)
        home.file(QStringLiteral("junk/k%1.kill").arg(i), 10);
    QProcess clean;
    clean.start(QStringLiteral(SWEEPORA_CLI_PATH), args("search .kill --move-to-trash --yes"));
    ASSERT_TRUE(clean.waitForStarted());
    // Killed once some files have moved and others wait.
    QElapsedTimer timer;
    timer.start();
    while (QDir(home.path(QStringLiteral("junk"))).count() > kFiles + 2 - 200 && timer.elapsed() < 60000 &&
           clean.state() == QProcess::Running)
        QThread::usleep(200);
    ::kill(pid_t(clean.processId()), SIGKILL);
    clean.waitForFinished();
    const int left = int(QDir(home.path(QStringLiteral("junk"))).entryList(QDir::Files).size());
    if (left == 0)
        GTEST_SKIP() << "the clean finished before it could be killed";

    // A new process settles what the killed one left pending.
    CleanupJournal journal(CleanupJournal::fileFor(PlatformLayout::current().applicationSupport));
    journal.settlePending({bytesFromPath(PlatformLayout::current().dataHome + QStringLiteral("/Trash/files"))});
    const QList<CleanupJournal::Batch> batches = journal.batches(1);
    ASSERT_EQ(batches.size(), 1);
    int inTrash = 0;
    for (const CleanupJournal::Entry& e : journal.entries(batches[0].id)) {
        ASSERT_EQ(e.state, CleanupJournal::State::InTrash);
        EXPECT_FALSE(QFileInfo::exists(pathFromBytes(e.path)));
        EXPECT_TRUE(QFileInfo::exists(pathFromBytes(e.trash)));
        ++inTrash;
    }
    EXPECT_EQ(inTrash + left, kFiles) << "every file is either in place or journaled in the Trash";
    EXPECT_EQ(batches[0].inTrash, inTrash);

    // And the batch restores.
    const CliRun restore = runCli(args("restore --last --yes"));
    EXPECT_EQ(restore.at("restored").toArray().size(), inTrash);
    EXPECT_EQ(QDir(home.path(QStringLiteral("junk"))).entryList(QDir::Files).size(), kFiles);
}
