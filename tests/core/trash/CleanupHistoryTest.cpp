// Nothing lost: every section's clean is journaled and comes back byte for byte; a restore never
// overwrites, never follows a link on the way back, and emptying removes exactly what it counted.
#include "trash/CleanupHistory.h"
#include "apps/ApplicationCacheEngine.h"
#include "apps/ApplicationUninstallEngine.h"
#include "platform/PathBytes.h"
#include "platform/PlatformLayout.h"
#include "platform/Sandbox.h"
#include "rules/RuleScanEngine.h"
#include "scanners/EmptyFolderEngine.h"
#include "scanners/FileSearchEngine.h"
#include "scanners/LargeFileEngine.h"
#include "scanners/StorageEngine.h"
#include "support/BundleBuilder.h"
#include "support/ScopedTreeFixture.h"
#include "trash/TrashGateway.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <sys/stat.h>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

// Bytes, mode and modification time of every file, mode of every folder, target of every link.
std::string manifest(const QString& root)
{
    QMap<QString, QString> out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            continue;
        QString line = QString::number(st.st_mode, 8);
        if (S_ISREG(st.st_mode)) {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            line += u' ' +
                    QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex()) +
                    u' ' + QString::number(qint64(st.st_mtim.tv_sec)) + u'.' + QString::number(st.st_mtim.tv_nsec);
        }
        out.insert(path.mid(root.size()), line);
    }
    QString text;
    for (auto it = out.cbegin(); it != out.cend(); ++it)
        text += it.key() + u' ' + it.value() + u'\n';
    return text.toStdString();
}

class CleanupHistoryTest : public ScopedTreeFixture
{
protected:
    CleanupJournal::Batch batch(qint64 id) const
    {
        CleanupHistory::refresh();
        for (const CleanupJournal::Batch& b : CleanupHistory::batches())
            if (b.id == id)
                return b;
        return {};
    }
    QString trashFiles() const { return PlatformLayout::current().dataHome + QStringLiteral("/Trash/files"); }

    qint64 cleanLarge(const QString& name)
    {
        const auto items = FileSearchEngine::search(home(), name).items;
        EXPECT_EQ(items.size(), 1);
        const TrashBatchResult r = FileSearchEngine::moveToTrash(items);
        EXPECT_EQ(r.moved.size(), 1);
        return r.batchId;
    }
};

} // namespace

TEST_F(CleanupHistoryTest, EverySectionsCleanComesBackByteForByteAndLeavesTheTrash)
{
    m_tree.file(QStringLiteral("big/huge.iso"), 3000000);
    m_tree.file(QStringLiteral("docs/find-me.txt"), 1200);
    m_tree.folder(QStringLiteral("docs/empty/inner"));
    m_tree.file(QStringLiteral("Projects/build/out.o"), 5000);
    m_tree.file(QStringLiteral("Projects/build/deep/more.o"), 7000);
    m_tree.symlink(QStringLiteral("Projects/build/link"), QStringLiteral("/etc/hostname"));
    m_tree.file(QStringLiteral("cache/tool/a.bin"), 4000);
    m_tree.file(QStringLiteral("Library/Caches/com.foo/blob"), 6000);
    m_tree.chmod(QStringLiteral("docs/find-me.txt"), 0640);
    BundleBuilder::make(home() + QStringLiteral("/Applications/Foo.app"),
                        BundleBuilder::xml(QStringLiteral("com.foo")));
    const std::string before = manifest(home());

    QList<qint64> batches;
    batches << LargeFileEngine::moveToTrash(LargeFileEngine::findLargeFilesOfAtLeast(home(), 2000000).items).batchId;
    batches << FileSearchEngine::moveToTrash(FileSearchEngine::search(home(), QStringLiteral("find-me")).items).batchId;
    batches << EmptyFolderEngine::moveToTrash(EmptyFolderEngine::findEmptyFolders(home()).items).batchId;
    QList<StorageEntry> build;
    for (const StorageEntry& e : StorageEngine::listDirectory(home() + QStringLiteral("/Projects")))
        build.append(e);
    batches << StorageEngine::moveToTrash(build).batchId;
    CleanupRule rule{true, QStringLiteral("r"), {QStringLiteral("USERFOLDER/cache")}, 0, QStringLiteral("p"), {}};
    batches << RuleScanEngine::clean({*RuleScanEngine::scanRule(rule, home())}).batchId;
    const auto apps = ApplicationUninstallEngine::listApplications({home() + QStringLiteral("/Applications")}, home());
    ASSERT_EQ(apps.size(), 1);
    batches << ApplicationUninstallEngine::moveToTrash(ApplicationUninstallEngine::workList(apps[0]), {}).batchId;

    for (const qint64 id : batches)
        ASSERT_GT(id, 0) << "every clean is one journaled batch";
    EXPECT_EQ(QSet<qint64>(batches.begin(), batches.end()).size(), batches.size());
    const CleanupJournal::Batch storage = batch(batches[3]);
    EXPECT_EQ(storage.section, QStringLiteral("storage"));
    EXPECT_EQ(storage.count, 1);
    EXPECT_EQ(storage.inTrash, 1);
    EXPECT_GE(storage.size, 12000) << "a folder counts with what it holds";
    EXPECT_EQ(batch(batches[5]).section, QStringLiteral("apps"));
    EXPECT_GE(batch(batches[5]).count, 2) << "the bundle and its related files are one batch";
    EXPECT_NE(manifest(home()), before);

    // Newest first, as undoing one clean after another would: the folder that the large file
    // left empty goes back before the file.
    std::reverse(batches.begin(), batches.end());
    for (const qint64 id : batches) {
        const CleanupHistory::RestoreResult r = CleanupHistory::restore(id);
        EXPECT_TRUE(r.failed.isEmpty()) << r.failed.value(0).path.toStdString()
                                        << r.failed.value(0).error.toStdString();
        EXPECT_EQ(batch(id).inTrash, 0);
    }
    // Folders' own times change when entries leave and return; everything else is as it was.
    EXPECT_EQ(manifest(home()), before);

    if (!QStandardPaths::findExecutable(QStringLiteral("trash-list")).isEmpty()) {
        QProcess list;
        list.start(QStringLiteral("trash-list"), {});
        ASSERT_TRUE(list.waitForFinished(30000));
        EXPECT_FALSE(list.readAllStandardOutput().contains(QFile::encodeName(home())))
            << "restored entries leave no info file behind";
    }
}

TEST_F(CleanupHistoryTest, ARestoreNeverOverwritesNorFollowsALinkAndSaysWhatItCouldNotDo)
{
    const QString kept = m_tree.file(QStringLiteral("a/kept.txt"), 100);
    const QString deep = m_tree.file(QStringLiteral("b/c/deep.txt"), 200);
    const QString viaLink = m_tree.file(QStringLiteral("d/e/secret.txt"), 300);
    const QString gone = m_tree.file(QStringLiteral("gone.txt"), 400);
    const qint64 batchId =
        FileSearchEngine::moveToTrash(FileSearchEngine::search(home(), QStringLiteral(".txt")).items).batchId;
    ASSERT_EQ(batch(batchId).inTrash, 4);
    const auto entries = CleanupHistory::entries(batchId);
    ASSERT_EQ(entries.size(), 4);

    // The place was taken meanwhile; the folders of one item are gone; a link leads out.
    m_tree.file(QStringLiteral("a/kept.txt"), 7);
    ASSERT_TRUE(QDir(home() + QStringLiteral("/b")).removeRecursively());
    QTemporaryDir outside;
    ASSERT_TRUE(QDir(home() + QStringLiteral("/d")).removeRecursively());
    m_tree.symlink(QStringLiteral("d"), outside.path());
    for (const CleanupJournal::Entry& e : entries) {
        if (pathFromBytes(e.path) == gone) {
            ASSERT_TRUE(QFile::remove(pathFromBytes(e.trash))); // emptied by another program
        }
    }

    const CleanupHistory::RestoreResult r = CleanupHistory::restore(batchId);
    EXPECT_EQ(r.restored, QStringList{deep});
    EXPECT_EQ(QFileInfo(deep).size(), 200);
    QMap<QString, QString> why;
    for (const TrashFailure& f : r.failed)
        why.insert(f.path, f.error);
    EXPECT_EQ(why.value(kept), CleanupHistory::kOccupied);
    EXPECT_EQ(why.value(viaLink), QStringLiteral("原位置的路径中有符号链接，已拒绝"));
    EXPECT_EQ(why.value(gone), CleanupHistory::kNotInTrash);
    EXPECT_EQ(QFileInfo(kept).size(), 7) << "the newer file stays as it is";
    EXPECT_TRUE(QDir(outside.path()).isEmpty()) << "nothing was made outside the scope";
    EXPECT_EQ(r.message, QStringLiteral("已恢复 1 项，3 项未能恢复"));
    EXPECT_EQ(batch(batchId).inTrash, 2) << "the occupied and the refused ones wait in the Trash";

    // Once the place is free again, the rest comes back.
    ASSERT_TRUE(QFile::remove(kept));
    ASSERT_TRUE(QFile::remove(home() + QStringLiteral("/d")));
    const CleanupHistory::RestoreResult rest = CleanupHistory::restore(batchId);
    EXPECT_EQ(rest.restored.size(), 2);
    EXPECT_EQ(QFileInfo(kept).size(), 100);
    EXPECT_EQ(QFileInfo(viaLink).size(), 300);
}

TEST_F(CleanupHistoryTest, EmptyingRemovesExactlyWhatItCountedAndTheJournalKnows)
{
    m_tree.file(QStringLiteral("one.bin"), 5000);
    const qint64 counted = cleanLarge(QStringLiteral("one.bin"));
    // A folder that cannot be written, as some programs leave them.
    m_tree.file(QStringLiteral("sub/tree/two.bin"), 3000);
    m_tree.chmod(QStringLiteral("sub/tree"), 0500);
    QList<StorageEntry> sub;
    for (const StorageEntry& e : StorageEngine::listDirectory(home()))
        if (e.path.endsWith(QStringLiteral("/sub")))
            sub.append(e);
    ASSERT_EQ(StorageEngine::moveToTrash(sub).moved.size(), 1);
    const CleanupHistory::EmptyPlan plan = CleanupHistory::planEmptying();
    ASSERT_GE(plan.count, 2);
    EXPECT_GE(plan.size, 8000);

    m_tree.file(QStringLiteral("late.bin"), 100);
    const qint64 late = cleanLarge(QStringLiteral("late.bin"));
    const CleanupHistory::EmptyResult r = CleanupHistory::empty(plan);
    EXPECT_EQ(r.removed, plan.count);
    EXPECT_TRUE(r.failed.isEmpty());
    EXPECT_EQ(batch(counted).inTrash, 0);
    EXPECT_EQ(CleanupHistory::entries(counted).value(0).state, CleanupJournal::State::Emptied);
    EXPECT_EQ(batch(late).inTrash, 1) << "what arrived after the count stays";
    EXPECT_EQ(QDir(trashFiles()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
    EXPECT_EQ(QDir(trashFiles() + QStringLiteral("/../info")).entryList(QDir::Files).size(), 1);
    EXPECT_EQ(CleanupHistory::lastRestorable(), late);
}
