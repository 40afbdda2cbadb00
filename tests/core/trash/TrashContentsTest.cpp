#include "TrashTestTree.h"

#include "platform/PlatformLayout.h"
#include "support/ChildProcess.h"
#include "trash/TrashContents.h"

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

TEST_F(TrashContentsTest, CountsTopLevelEntriesAndTheFilesInsideThem)
{
    const QByteArray files = homeBytes() + "/files";
    ASSERT_TRUE(QDir().mkpath(QString::fromUtf8(files + "/big/sub")));
    ASSERT_TRUE(writeFile(files + "/.DS_Store", QByteArray(3000, 'h')));
    qint64 inFolder = 0;
    for (int i = 0; i < 20; ++i) {
        const QByteArray file = files + (i % 2 ? "/big/f" : "/big/sub/f") + QByteArray::number(i);
        ASSERT_TRUE(writeFile(file, QByteArray(5000, 'f')));
        inFolder += allocated(file);
    }
    // Links are not followed.
    ASSERT_TRUE(writeFile(homeBytes() + "/outside", QByteArray(200000, 'o')));
    ASSERT_EQ(::symlink((homeBytes() + "/outside").constData(), (files + "/big/link").constData()), 0);
    ASSERT_EQ(::symlink((homeBytes() + "/outside").constData(), (files + "/toplink").constData()), 0);

    const TrashContents contents = TrashContents::list(QString::fromUtf8(files));
    ASSERT_TRUE(contents.readable);
    ASSERT_EQ(contents.itemCount(), 3);
    EXPECT_EQ(contents.items[0].path, QString::fromUtf8(files + "/.DS_Store"));
    EXPECT_EQ(contents.items[1].allocatedSize, inFolder);
    EXPECT_EQ(contents.totalSize, inFolder + allocated(files + "/.DS_Store"));
}

TEST_F(TrashContentsTest, ListsWhatThePlatformTrashReceivedAndMissingTrashIsNoPermissionError)
{
    const int before = TrashContents::list().itemCount();
    ASSERT_TRUE(writeFile(homeBytes() + "/a-listed", "a"));
    ASSERT_TRUE(trashPath(Trash::current(), m_home + QStringLiteral("/a-listed")).ok);
    const TrashContents contents = TrashContents::list();
    EXPECT_EQ(contents.itemCount(), before + 1);
    EXPECT_TRUE(std::any_of(contents.items.begin(), contents.items.end(), [](const TrashContents::Item& item) {
        return item.path == PlatformLayout::current().trashFolder + QStringLiteral("/a-listed");
    }));

    const TrashContents missing = TrashContents::list(m_home + QStringLiteral("/no-trash"));
    EXPECT_FALSE(missing.readable);
    EXPECT_EQ(missing.errorCode, ENOENT);
    EXPECT_FALSE(missing.isPermissionError());
}

TEST_F(TrashContentsTest, RefusedListingIsAPermissionErrorAndUnreadableInsidesCountZero)
{
    if (!ChildProcess::enter(ChildProcess::Unprivileged))
        return;
    const QByteArray files = homeBytes() + "/files";
    ASSERT_TRUE(QDir().mkpath(QString::fromUtf8(files + "/closed")));
    ASSERT_TRUE(writeFile(files + "/closed/f", QByteArray(9000, 'c')));
    ASSERT_TRUE(writeFile(files + "/open", QByteArray(9000, 'o')));
    ASSERT_EQ(::chmod((files + "/closed").constData(), 0), 0);

    const TrashContents partly = TrashContents::list(QString::fromUtf8(files));
    EXPECT_EQ(partly.itemCount(), 2);
    EXPECT_EQ(partly.totalSize, allocated(files + "/open"));

    ASSERT_EQ(::chmod(files.constData(), 0), 0);
    const TrashContents refused = TrashContents::list(QString::fromUtf8(files));
    EXPECT_TRUE(refused.isPermissionError() && !refused.readable);
    EXPECT_TRUE(refused.error.startsWith(QStringLiteral("没有权限读取废纸篓"))) << refused.error.toStdString();
    ::chmod(files.constData(), 0700);
    ::chmod((files + "/closed").constData(), 0700);
}
