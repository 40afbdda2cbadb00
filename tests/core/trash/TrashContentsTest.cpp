#include "TrashTestTree.h"

#include "platform/PlatformLayout.h"
#include "platform/TrashContents.h"
#include "support/TrashChildProcess.h"

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

qint64 allocated(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 ? qint64(st.st_blocks) * 512 : -1;
}

} // namespace

using TrashContentsTest = TrashTestTree;

TEST_F(TrashContentsTest, HiddenEntryCountsAsAnItem)
{
    const QByteArray files = homeBytes() + "/files";
    ASSERT_TRUE(QDir().mkpath(QString::fromUtf8(files)));
    ASSERT_TRUE(writeFile(files + "/.DS_Store", QByteArray(3000, 'x')));

    const TrashContents contents = TrashContents::list(QString::fromUtf8(files));
    ASSERT_TRUE(contents.readable);
    EXPECT_EQ(contents.itemCount(), 1);
    EXPECT_GT(contents.totalSize, 0);
    EXPECT_EQ(contents.totalSize, allocated(files + "/.DS_Store"));
}

TEST_F(TrashContentsTest, FolderIsOneItemHoldingTheSizeOfEveryFileInside)
{
    const QByteArray files = homeBytes() + "/files";
    ASSERT_TRUE(QDir().mkpath(QString::fromUtf8(files + "/big/sub")));
    ASSERT_TRUE(writeFile(homeBytes() + "/outside", QByteArray(200000, 'o')));
    qint64 expected = 0;
    for (int i = 0; i < 30; ++i) {
        const QByteArray file = files + (i % 2 ? "/big/f" : "/big/sub/f") + QByteArray::number(i);
        ASSERT_TRUE(writeFile(file, QByteArray(5000, 'f')));
        expected += allocated(file);
    }
    // Links are not followed, and an empty file takes no blocks.
    ASSERT_EQ(::symlink((homeBytes() + "/outside").constData(), (files + "/big/link").constData()), 0);
    ASSERT_EQ(::symlink((homeBytes() + "/outside").constData(), (files + "/toplink").constData()), 0);
    ASSERT_TRUE(writeFile(files + "/empty", {}));

    const TrashContents contents = TrashContents::list(QString::fromUtf8(files));
    ASSERT_TRUE(contents.readable);
    ASSERT_EQ(contents.itemCount(), 3);
    EXPECT_EQ(contents.items[0].path, QString::fromUtf8(files + "/big"));
    EXPECT_EQ(contents.items[0].allocatedSize, expected);
    EXPECT_EQ(contents.totalSize, expected);
}

TEST_F(TrashContentsTest, MissingTrashIsUnavailableButNotRefused)
{
    const TrashContents contents = TrashContents::list(m_home + QStringLiteral("/no-trash"));
    EXPECT_FALSE(contents.readable);
    EXPECT_EQ(contents.errorCode, ENOENT);
    EXPECT_FALSE(contents.isPermissionError());
    EXPECT_EQ(contents.itemCount(), 0);
}

TEST_F(TrashContentsTest, CountsWhatThePlatformTrashReceived)
{
    const int before = TrashContents::list().itemCount();
    ASSERT_TRUE(writeFile(homeBytes() + "/a-listed", "a"));
    ASSERT_TRUE(writeFile(homeBytes() + "/b-listed", "b"));
    ASSERT_TRUE(Trash::current().trashItem(m_home + QStringLiteral("/a-listed")).ok);
    ASSERT_TRUE(Trash::current().trashItem(m_home + QStringLiteral("/b-listed")).ok);
    const TrashContents contents = TrashContents::list();
    EXPECT_TRUE(contents.readable);
    EXPECT_EQ(contents.itemCount(), before + 2);
    QStringList paths;
    for (const TrashContents::Item& item : contents.items)
        paths.append(item.path);
    EXPECT_TRUE(paths.contains(PlatformLayout::current().trashFolder + QStringLiteral("/b-listed")));
}

TEST_F(TrashContentsTest, RefusedListingIsAPermissionErrorAndUnreadableInsidesCountZero)
{
    if (!TrashChildProcess::enter(TrashChildProcess::Unprivileged))
        return;
    const QByteArray files = homeBytes() + "/files";
    ASSERT_TRUE(QDir().mkpath(QString::fromUtf8(files + "/closed")));
    ASSERT_TRUE(writeFile(files + "/closed/f", QByteArray(9000, 'c')));
    ASSERT_TRUE(writeFile(files + "/open", QByteArray(9000, 'o')));
    ASSERT_EQ(::chmod((files + "/closed").constData(), 0), 0);

    const TrashContents partly = TrashContents::list(QString::fromUtf8(files));
    EXPECT_TRUE(partly.readable);
    EXPECT_EQ(partly.itemCount(), 2);
    EXPECT_EQ(partly.totalSize, allocated(files + "/open"));

    ASSERT_EQ(::chmod(files.constData(), 0), 0);
    const TrashContents refused = TrashContents::list(QString::fromUtf8(files));
    EXPECT_FALSE(refused.readable);
    EXPECT_TRUE(refused.isPermissionError());
    EXPECT_TRUE(refused.error.startsWith(QStringLiteral("没有权限读取废纸篓"))) << refused.error.toStdString();
    ::chmod(files.constData(), 0700);
    ::chmod((files + "/closed").constData(), 0700);
}
