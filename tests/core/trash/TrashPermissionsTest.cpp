// Root ignores permissions: these run as an unprivileged user (in a child when we are root).
#include "TrashTestTree.h"

#include "support/ChildProcess.h"

using namespace Sweepora::Core;
using namespace Sweepora::Test;

using TrashPermissions = TrashTestTree;

TEST_F(TrashPermissions, RefusedWritesLeaveTheItemAndNoInfoFile)
{
    if (!ChildProcess::enter(ChildProcess::Unprivileged))
        return;
    ASSERT_TRUE(QDir().mkpath(m_dataHome + QStringLiteral("/Trash/files")));
    ASSERT_TRUE(QDir().mkpath(m_dataHome + QStringLiteral("/Trash/info")));
    ASSERT_TRUE(QDir().mkpath(m_home + QStringLiteral("/locked")));
    const QByteArray original = homeBytes() + "/locked/a.txt";
    ASSERT_TRUE(writeFile(original, "a"));

    // First the info file cannot be written, then the item cannot leave its folder.
    ASSERT_EQ(::chmod((trashBytes() + "/info").constData(), 0500), 0);
    Trash::Result result = trashPath(trash(), QString::fromUtf8(original));
    EXPECT_EQ(result.errorCode, EACCES);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("没有权限写入废纸篓（"))) << result.error.toStdString();
    ASSERT_EQ(::chmod((trashBytes() + "/info").constData(), 0700), 0);

    ASSERT_EQ(::chmod((homeBytes() + "/locked").constData(), 0500), 0);
    result = trashPath(trash(), QString::fromUtf8(original));
    EXPECT_EQ(result.errorCode, EACCES);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("没有权限移动此项目（"))) << result.error.toStdString();
    ::chmod((homeBytes() + "/locked").constData(), 0700);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(readFile(original), "a");
    EXPECT_TRUE(entries(trashBytes() + "/files").isEmpty());
    EXPECT_TRUE(entries(trashBytes() + "/info").isEmpty());
}
