// An item on another mount than the home trash. Each case mounts a tmpfs in a private mount
// namespace of its own child process, so nothing is mounted where the user can see it.
#include "TrashTestTree.h"

#include "support/TrashChildProcess.h"

#include <QProcess>
#include <QStandardPaths>

#include <memory>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

class TrashOtherMount : public TrashTestTree
{
protected:
    // Mounts the volume (in the child); false when the test has been skipped.
    bool mountVolume(const QByteArray& options = "size=4m,mode=0755")
    {
        m_volume = m_root.path() + QStringLiteral("/volume");
        if (!QDir().mkpath(m_volume))
            return false;
        m_mount = std::make_unique<TrashTmpfsMount>(m_volume, options);
        if (!m_mount->isMounted()) {
            TrashChildProcess::reportSkip(m_mount->error());
            return false;
        }
        Sandbox::openScope(m_volume);
        return QDir().mkpath(m_volume + QStringLiteral("/sub"));
    }

    QByteArray volumeBytes() const { return QFile::encodeName(m_volume); }
    static QByteArray uid() { return QByteArray::number(::getuid()); }

    void TearDown() override { m_mount.reset(); }

    QString m_volume;
    std::unique_ptr<TrashTmpfsMount> m_mount;
};

TEST_F(TrashOtherMount, ItemStaysWhenTheVolumeHasNoUsableTrash)
{
    if (!TrashChildProcess::enter(TrashChildProcess::OwnMountNamespace))
        return;
    if (!mountVolume())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const QByteArray volume = volumeBytes();
    const QByteArray original = volume + "/sub/x";
    ASSERT_TRUE(writeFile(original, "x"));
    // A sticky .Trash reached through a link, and a .Trash-$uid that is a link: neither counts.
    ASSERT_TRUE(QDir().mkpath(m_volume + QStringLiteral("/elsewhere-shared")));
    ASSERT_TRUE(QDir().mkpath(m_volume + QStringLiteral("/elsewhere-own")));
    ASSERT_EQ(::chmod((volume + "/elsewhere-shared").constData(), 01777), 0);
    ASSERT_EQ(::symlink("elsewhere-shared", (volume + "/.Trash").constData()), 0);
    ASSERT_EQ(::symlink("elsewhere-own", (volume + "/.Trash-" + uid()).constData()), 0);

    Trash::Result result = trash().trashItem(QString::fromUtf8(original));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("项目所在的卷没有可用的废纸篓"))) << result.error.toStdString();
    EXPECT_EQ(readFile(original), "x");
    EXPECT_TRUE(entries(volume + "/elsewhere-shared").isEmpty());
    EXPECT_TRUE(entries(volume + "/elsewhere-own").isEmpty());
    EXPECT_FALSE(exists(trashBytes())); // never the home trash across devices

    // A real .Trash-$uid that someone else owns does not count either.
    ASSERT_EQ(::unlink((volume + "/.Trash-" + uid()).constData()), 0);
    ASSERT_TRUE(QDir().mkpath(QString::fromUtf8(volume + "/.Trash-" + uid())));
    if (::chown((volume + "/.Trash-" + uid()).constData(), 4242, 4242) == 0) {
        result = trash().trashItem(QString::fromUtf8(original));
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(readFile(original), "x");
        EXPECT_TRUE(entries(volume + "/.Trash-" + uid()).isEmpty());
    }
}

TEST_F(TrashOtherMount, StickySharedTrashGetsAPrivateFolderAndARelativePath)
{
    if (!TrashChildProcess::enter(TrashChildProcess::OwnMountNamespace))
        return;
    if (!mountVolume())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const QByteArray volume = volumeBytes();
    ASSERT_TRUE(QDir().mkpath(m_volume + QStringLiteral("/.Trash")));
    ASSERT_EQ(::chmod((volume + "/.Trash").constData(), 01777), 0);
    const QByteArray original = volume + "/sub/a b.txt";
    ASSERT_TRUE(writeFile(original, "shared"));

    const Trash::Result result = trash().trashItem(QString::fromUtf8(original));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    const QByteArray own = volume + "/.Trash/" + uid();
    EXPECT_EQ(result.trashedPath, QString::fromUtf8(own + "/files/a b.txt"));
    EXPECT_EQ(readFile(own + "/files/a b.txt"), "shared");
    EXPECT_EQ(originalLocation(own + "/info/a b.txt.trashinfo"), "sub/a b.txt");
    struct stat st;
    ASSERT_EQ(::stat(own.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_FALSE(exists(volume + "/.Trash-" + uid()));

    // Another reader of the standard finds it under its full original path.
    if (!QStandardPaths::findExecutable(QStringLiteral("trash-list")).isEmpty()) {
        QProcess list;
        list.start(QStringLiteral("trash-list"), {});
        list.waitForFinished(-1);
        EXPECT_TRUE(list.readAllStandardOutput().contains(" " + original + "\n"));
    }
}

TEST_F(TrashOtherMount, OwnVolumeTrashIsCreatedWhenSharedOneIsNotSticky)
{
    if (!TrashChildProcess::enter(TrashChildProcess::OwnMountNamespace))
        return;
    if (!mountVolume())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const QByteArray volume = volumeBytes();
    ASSERT_TRUE(QDir().mkpath(m_volume + QStringLiteral("/.Trash")));
    ASSERT_EQ(::chmod((volume + "/.Trash").constData(), 0777), 0);
    ASSERT_TRUE(QDir().mkpath(m_volume + QStringLiteral("/sub/folder/inner")));
    ASSERT_TRUE(writeFile(volume + "/sub/folder/inner/f", "f"));

    const Trash::Result result = trash().trashItem(m_volume + QStringLiteral("/sub/folder"));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    const QByteArray own = volume + "/.Trash-" + uid();
    EXPECT_EQ(readFile(own + "/files/folder/inner/f"), "f");
    EXPECT_EQ(originalLocation(own + "/info/folder.trashinfo"), "sub/folder");
    struct stat st;
    ASSERT_EQ(::stat(own.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_TRUE(entries(volume + "/.Trash").isEmpty());
}

TEST_F(TrashOtherMount, ReadOnlyVolumeFailsWithTheItemInPlace)
{
    if (!TrashChildProcess::enter(TrashChildProcess::OwnMountNamespace))
        return;
    if (!mountVolume())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const QByteArray original = volumeBytes() + "/sub/x";
    ASSERT_TRUE(writeFile(original, "x"));
    if (!m_mount->remountReadOnly()) {
        TrashChildProcess::reportSkip(QStringLiteral("cannot remount read-only"));
        GTEST_SKIP();
    }
    const Trash::Result result = trash().trashItem(QString::fromUtf8(original));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorCode, EROFS);
    EXPECT_EQ(readFile(original), "x");
}

TEST_F(TrashOtherMount, FullDiskFailsBeforeAnythingMoves)
{
    if (!TrashChildProcess::enter(TrashChildProcess::OwnMountNamespace))
        return;
    if (!mountVolume("size=256k,mode=0755"))
        GTEST_SKIP() << "cannot mount a tmpfs here";
    // The home trash on the full volume itself.
    const QString dataHome = m_volume + QStringLiteral("/data");
    ASSERT_TRUE(QDir().mkpath(dataHome + QStringLiteral("/Trash/files")));
    ASSERT_TRUE(QDir().mkpath(dataHome + QStringLiteral("/Trash/info")));
    const QByteArray original = volumeBytes() + "/sub/x";
    ASSERT_TRUE(writeFile(original, "x"));
    const int filler = ::open((volumeBytes() + "/filler").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(filler, 0);
    const QByteArray block(4096, 'f');
    while (::write(filler, block.constData(), size_t(block.size())) > 0) {
    }
    ::close(filler);

    const Trash::Result result = FreedesktopTrash(dataHome).trashItem(QString::fromUtf8(original));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorCode, ENOSPC);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("磁盘空间不足"))) << result.error.toStdString();
    EXPECT_EQ(readFile(original), "x");
    const QByteArray trashFolder = QFile::encodeName(dataHome) + "/Trash";
    EXPECT_TRUE(entries(trashFolder + "/info").isEmpty());
    EXPECT_TRUE(entries(trashFolder + "/files").isEmpty());
}
