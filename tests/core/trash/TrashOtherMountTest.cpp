// Items on another mount than the home trash. Each case mounts a tmpfs in the private mount
// namespace of a child process, so nothing is mounted where anyone else can see it.
#include "TrashTestTree.h"

#include "support/ChildProcess.h"

#include <QProcess>

#include <memory>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

class TrashOtherMount : public TrashTestTree
{
protected:
    // In the child: mounts the volume; false (and the parent told) when that is impossible here.
    bool mountVolume(const QByteArray& options)
    {
        m_mount = std::make_unique<TmpfsMount>(m_volume, options);
        if (!m_mount->isMounted())
            ChildProcess::reportSkip(m_mount->error());
        Sandbox::openScope(m_volume);
        return m_mount->isMounted() && QDir().mkpath(m_volume + QStringLiteral("/sub"));
    }
    void TearDown() override { m_mount.reset(); }

    QByteArray volume() const { return QFile::encodeName(m_volume); }
    QByteArray uid() const { return QByteArray::number(::getuid()); }

    QString m_volume = m_root.path() + QStringLiteral("/volume");
    std::unique_ptr<TmpfsMount> m_mount;
};

TEST_F(TrashOtherMount, ItemStaysWhenTheVolumeHasNoUsableTrash)
{
    if (!ChildProcess::enter(ChildProcess::OwnMountNamespace))
        return;
    ASSERT_TRUE(QDir().mkpath(m_volume));
    if (!mountVolume("size=4m,mode=0755"))
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const QByteArray original = volume() + "/sub/x";
    ASSERT_TRUE(writeFile(original, "x"));
    // A sticky .Trash reached through a link, and a .Trash-$uid that is a link: neither counts.
    ASSERT_TRUE(QDir().mkpath(m_volume + QStringLiteral("/shared")) &&
                QDir().mkpath(m_volume + QStringLiteral("/own")));
    ASSERT_EQ(::chmod((volume() + "/shared").constData(), 01777), 0);
    ASSERT_EQ(::symlink("shared", (volume() + "/.Trash").constData()), 0);
    ASSERT_EQ(::symlink("own", (volume() + "/.Trash-" + uid()).constData()), 0);

    Trash::Result result = trashPath(trash(), QString::fromUtf8(original));
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("项目所在的卷没有可用的废纸篓"))) << result.error.toStdString();
    EXPECT_TRUE(entries(volume() + "/shared").isEmpty() && entries(volume() + "/own").isEmpty());
    EXPECT_FALSE(exists(trashBytes())); // never the home trash across devices

    // A real .Trash-$uid that another user owns does not count either (only root can make one).
    ASSERT_EQ(::unlink((volume() + "/.Trash-" + uid()).constData()), 0);
    ASSERT_EQ(::mkdir((volume() + "/.Trash-" + uid()).constData(), 0700), 0);
    if (::chown((volume() + "/.Trash-" + uid()).constData(), 4242, 4242) == 0) {
        EXPECT_FALSE(trashPath(trash(), QString::fromUtf8(original)).ok);
    }

    // Nor can one be made on a read-only volume.
    ASSERT_EQ(::rmdir((volume() + "/.Trash-" + uid()).constData()), 0);
    ASSERT_TRUE(m_mount->remountReadOnly());
    result = trashPath(trash(), QString::fromUtf8(original));
    EXPECT_EQ(result.errorCode, EROFS);
    EXPECT_EQ(readFile(original), "x");
}

TEST_F(TrashOtherMount, VolumeTrashIsTheOwnFolderUnlessTheSharedOneIsSticky)
{
    if (!ChildProcess::enter(ChildProcess::OwnMountNamespace))
        return;
    ASSERT_TRUE(QDir().mkpath(m_volume));
    if (!mountVolume("size=4m,mode=0755"))
        GTEST_SKIP() << "cannot mount a tmpfs here";
    ASSERT_TRUE(QDir().mkpath(m_volume + QStringLiteral("/.Trash")));
    ASSERT_EQ(::chmod((volume() + "/.Trash").constData(), 0777), 0);
    ASSERT_TRUE(QDir().mkpath(m_volume + QStringLiteral("/sub/folder/inner")));
    ASSERT_TRUE(writeFile(volume() + "/sub/folder/inner/f", "f"));
    ASSERT_TRUE(writeFile(volume() + "/sub/a b", "shared"));

    ASSERT_TRUE(trashPath(trash(), m_volume + QStringLiteral("/sub/folder")).ok);
    const QByteArray own = volume() + "/.Trash-" + uid();
    EXPECT_EQ(readFile(own + "/files/folder/inner/f"), "f");
    EXPECT_EQ(originalLocation(own + "/info/folder.trashinfo"), "sub/folder"); // relative to the volume
    EXPECT_EQ(mode(own), 0700u);
    EXPECT_TRUE(entries(volume() + "/.Trash").isEmpty());

    ASSERT_EQ(::chmod((volume() + "/.Trash").constData(), 01777), 0);
    const Trash::Result result = trashPath(trash(), m_volume + QStringLiteral("/sub/a b"));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    const QByteArray shared = volume() + "/.Trash/" + uid();
    EXPECT_EQ(result.trashedPath, QString::fromUtf8(shared + "/files/a b"));
    EXPECT_EQ(originalLocation(shared + "/info/a b.trashinfo"), "sub/a b");
    EXPECT_EQ(mode(shared), 0700u);

    QProcess list; // another reader of the standard finds it under its full path
    list.start(QStringLiteral("trash-list"), {});
    if (list.waitForFinished(-1)) {
        EXPECT_TRUE(list.readAllStandardOutput().contains(" " + volume() + "/sub/a b\n"));
    }
}

TEST_F(TrashOtherMount, FullDiskFailsBeforeAnythingMoves)
{
    if (!ChildProcess::enter(ChildProcess::OwnMountNamespace))
        return;
    ASSERT_TRUE(QDir().mkpath(m_volume));
    if (!mountVolume("size=256k,mode=0755"))
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const QString dataHome = m_volume + QStringLiteral("/data"); // the home trash on the full volume
    ASSERT_TRUE(QDir().mkpath(dataHome + QStringLiteral("/Trash/files")) &&
                QDir().mkpath(dataHome + QStringLiteral("/Trash/info")));
    const QByteArray original = volume() + "/sub/x";
    ASSERT_TRUE(writeFile(original, "x"));
    const int filler = ::open((volume() + "/filler").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const QByteArray block(4096, 'f');
    while (::write(filler, block.constData(), size_t(block.size())) > 0) {
    }
    ::close(filler);

    const Trash::Result result = trashPath(FreedesktopTrash(dataHome), QString::fromUtf8(original));
    EXPECT_EQ(result.errorCode, ENOSPC);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("磁盘空间不足"))) << result.error.toStdString();
    EXPECT_EQ(readFile(original), "x");
    EXPECT_TRUE(entries(QFile::encodeName(dataHome) + "/Trash/info").isEmpty());
}
