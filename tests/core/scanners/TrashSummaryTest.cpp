#include "platform/Notifications.h"
#include "platform/PlatformLayout.h"
#include "scanners/AboutInfo.h"
#include "scanners/TrashSummaryViewModel.h"
#include "support/ChildProcess.h"
#include "support/HomeFixture.h"
#include "support/TreeBuilder.h"
#include "util/ByteCount.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <sys/stat.h>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

qint64 allocated(const QString& path)
{
    struct stat st;
    return ::lstat(TreeBuilder::bytes(path).c_str(), &st) == 0 ? qint64(st.st_blocks) * 512 : -1;
}

TrashReadError posix(int code)
{
    return {TrashReadError::kPosixDomain, code, QString(), nullptr};
}

TrashReadError wrapping(const TrashReadError& inner, int code = TrashReadError::kFileReadUnknown)
{
    return {TrashReadError::kCocoaDomain, code, QString(), std::make_shared<const TrashReadError>(inner)};
}

class TrashSummaryTest : public HomeFixture
{
protected:
    void SetUp() override
    {
        HomeFixture::SetUp();
        m_trash = PlatformLayout::current().trashFolder;
    }

    static bool waitForCount(TrashSummaryViewModel& model)
    {
        return QTest::qWaitFor([&] { return !model.isLoading(); }, 10000);
    }

    // The lines of the Trash count (the grant writes lines of its own).
    QStringList trashLines() const { return loggedLines().filter(QStringLiteral("[TrashSummary]")); }

    QString m_trash;
};

TEST_F(TrashSummaryTest, AHiddenFileAndAFolderOfManyFilesAreAnItemEach)
{
    grantHome();
    TreeBuilder tree(m_trash);
    qint64 size = allocated(tree.file(QStringLiteral(".DS_Store"), 6000));
    for (int i = 0; i < 60; ++i)
        size += allocated(tree.file(QStringLiteral("project/src/%1/.f%2").arg(i % 7).arg(i), 1500 + i));
    size += allocated(tree.file(QStringLiteral("project/App.app/Contents/bin"), 9000));
    tree.symlink(QStringLiteral("project/link"), TreeBuilder(home()).file(QStringLiteral("big"), 500000));
    TrashSummaryViewModel model;
    EXPECT_EQ(model.statusText(), QStringLiteral("0 项 · 0 KB"));
    model.refreshTrashSummary();
    EXPECT_TRUE(model.isLoading());
    EXPECT_EQ(model.statusText(), QStringLiteral("正在统计…"));
    ASSERT_TRUE(waitForCount(model));
    EXPECT_EQ(model.itemCount(), 2);
    EXPECT_EQ(model.totalSize(), size);
    EXPECT_TRUE(model.isAvailable());
    EXPECT_EQ(model.statusText(), QStringLiteral("2 项 · ") + formattedByteCount(size));
    EXPECT_EQ(trashLines(), QStringList{QStringLiteral("[TrashSummary] Finder 废纸篓读取成功：%1，2 项，%2 字节")
                                            .arg(m_trash, QString::number(size))});
}

TEST_F(TrashSummaryTest, WithoutAHomeGrantNothingIsCounted)
{
    TreeBuilder(m_trash).file(QStringLiteral("x"), 100);
    std::atomic<int> counted{0};
    TrashSummaryViewModel model(
        [&](const QString&) {
            ++counted;
            return TrashSummaryEngine::Count{};
        },
        nullptr);
    model.refreshTrashSummary();
    EXPECT_FALSE(model.isLoading());
    EXPECT_FALSE(model.isAvailable());
    EXPECT_EQ(model.itemCount(), 0);
    EXPECT_EQ(model.statusText(), QStringLiteral("暂时无法读取"));
    EXPECT_EQ(counted, 0);
    EXPECT_TRUE(loggedLines().isEmpty());
    EXPECT_EQ(model.trashPath(), m_trash);
}

TEST_F(TrashSummaryTest, AMissingTrashIsUnavailableWithoutALogLineOrAlert)
{
    grantHome();
    TrashSummaryViewModel model;
    model.refreshTrashSummary();
    ASSERT_TRUE(waitForCount(model));
    EXPECT_FALSE(model.isAvailable());
    EXPECT_FALSE(model.showFullDiskAccessPrompt());
    EXPECT_TRUE(trashLines().isEmpty());
}

TEST_F(TrashSummaryTest, PermissionErrorsAreFoundThroughTheirCauses)
{
    using TrashSummaryEngine::isPermissionError;
    EXPECT_TRUE(isPermissionError(posix(EPERM)));
    EXPECT_TRUE(isPermissionError(posix(EACCES)));
    EXPECT_TRUE(isPermissionError({TrashReadError::kCocoaDomain, 257, QString(), nullptr}));
    EXPECT_TRUE(isPermissionError(wrapping(posix(EPERM))));
    EXPECT_TRUE(isPermissionError(wrapping(wrapping(posix(EACCES)))));
    EXPECT_TRUE(isPermissionError(TrashReadError::fromErrno(EPERM, QString())));

    EXPECT_FALSE(isPermissionError(posix(ENOENT)));
    EXPECT_FALSE(isPermissionError(posix(257)));
    EXPECT_FALSE(isPermissionError({QStringLiteral("OtherDomain"), EACCES, QString(), nullptr}));
    EXPECT_FALSE(isPermissionError(wrapping(posix(EIO), TrashReadError::kFileReadNoSuchFile)));
    EXPECT_FALSE(isPermissionError(TrashReadError::fromErrno(EIO, QString())));
}

TEST_F(TrashSummaryTest, TheAccessAlertIsRaisedOncePerModel)
{
    grantHome();
    std::atomic<int> counted{0};
    TrashSummaryViewModel model(
        [&](const QString&) {
            ++counted;
            TrashSummaryEngine::Count count;
            count.exists = true;
            count.error = wrapping(posix(EPERM));
            return count;
        },
        nullptr);
    model.refreshTrashSummary();
    ASSERT_TRUE(waitForCount(model));
    EXPECT_FALSE(model.isAvailable());
    EXPECT_TRUE(model.showFullDiskAccessPrompt());
    model.dismissFullDiskAccessPrompt();
    EXPECT_FALSE(model.showFullDiskAccessPrompt());

    model.refreshTrashSummary();
    ASSERT_TRUE(waitForCount(model));
    EXPECT_EQ(counted, 2);
    EXPECT_FALSE(model.showFullDiskAccessPrompt());
    EXPECT_TRUE(model.hasPromptedForFullDiskAccess());
    EXPECT_EQ(model.statusText(), QStringLiteral("暂时无法读取"));
}

TEST_F(TrashSummaryTest, AnUnreadableTrashIsLoggedAndAlerts)
{
    if (!ChildProcess::enter(ChildProcess::Unprivileged))
        return;
    grantHome();
    TreeBuilder(m_trash).file(QStringLiteral("x"), 100);
    ASSERT_EQ(::chmod(TreeBuilder::bytes(m_trash).c_str(), 0), 0);
    TrashSummaryViewModel model;
    model.refreshTrashSummary();
    ASSERT_TRUE(waitForCount(model));
    ::chmod(TreeBuilder::bytes(m_trash).c_str(), 0700);
    EXPECT_FALSE(model.isAvailable());
    EXPECT_TRUE(model.showFullDiskAccessPrompt());
    ASSERT_EQ(trashLines().size(), 1);
    EXPECT_TRUE(trashLines()[0].startsWith(QStringLiteral("[TrashSummary] 读取 Finder 废纸篓失败：") + m_trash +
                                           QStringLiteral("，")));
}

TEST_F(TrashSummaryTest, CountsAgainOnNotificationsAndOnActivationOnlyWhileUnavailable)
{
    grantHome();
    std::atomic<int> counted{0};
    std::atomic<bool> readable{true};
    TrashSummaryViewModel model(
        [&](const QString&) {
            ++counted;
            TrashSummaryEngine::Count count;
            count.exists = true;
            count.itemCount = counted;
            if (!readable)
                count.error = posix(EIO);
            return count;
        },
        nullptr);
    model.refreshTrashSummary();
    model.refreshTrashSummary(); // dropped: one count at a time
    ASSERT_TRUE(waitForCount(model));
    EXPECT_EQ(counted, 1);

    model.applicationDidBecomeActive();
    EXPECT_FALSE(model.isLoading());

    Notifications::instance().postTrashContentsDidChange();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.itemCount() == 2 && !model.isLoading(); }, 10000));
    readable = false;
    Notifications::instance().postAuthorizationDidChange();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counted == 3 && !model.isLoading(); }, 10000));
    EXPECT_FALSE(model.isAvailable());

    readable = true;
    model.applicationDidBecomeActive();
    EXPECT_TRUE(model.isLoading());
    ASSERT_TRUE(waitForCount(model));
    EXPECT_TRUE(model.isAvailable());
    EXPECT_EQ(model.itemCount(), 4);
}

TEST(AboutInfoTest, VersionTextFillsInWhatTheBuildDidNotRecord)
{
    EXPECT_EQ(AboutInfo::versionText(QStringLiteral("2.3.1"), QStringLiteral("45")),
              QStringLiteral("版本 2.3.1（45）"));
    EXPECT_EQ(AboutInfo::versionText(QStringLiteral("2.3.1"), std::nullopt), QStringLiteral("版本 2.3.1（1）"));
    EXPECT_EQ(AboutInfo::versionText(std::nullopt, std::nullopt), QStringLiteral("版本 1.0（1）"));
    ASSERT_TRUE(AboutInfo::shortVersionString().has_value()) << "the build records its version";
    EXPECT_EQ(AboutInfo::installedVersionText(),
              AboutInfo::versionText(AboutInfo::shortVersionString(), AboutInfo::buildVersion()));
}

} // namespace
