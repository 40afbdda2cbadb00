#include "scanners/EmptyFolderCleanupViewModel.h"
#include "platform/Notifications.h"
#include "support/HomeFixture.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTest>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using State = EmptyFolderCleanupViewModel::State;

namespace {

using EmptyFolderModel = HomeFixture;

} // namespace

TEST_F(EmptyFolderModel, ScanSelectAndCleanWithAFolderThatGainedAFile)
{
    const QString deep = m_tree->folder(QStringLiteral("a/b/c"));
    const QString gains = m_tree->folder(QStringLiteral("gains"));
    const QString plain = m_tree->folder(QStringLiteral("plain"));
    EmptyFolderCleanupViewModel model;
    EXPECT_EQ(model.message(), QStringLiteral("扫描个人文件夹中的空目录"));
    model.startScan(); // without a home grant only the message changes
    EXPECT_EQ(model.state(), State::Ready);
    EXPECT_EQ(model.message(), QStringLiteral("请先授权个人文件夹"));
    EXPECT_TRUE(model.folders().isEmpty());

    grantHome();
    model.startScan();
    EXPECT_EQ(model.state(), State::Scanning);
    EXPECT_EQ(model.message(), QStringLiteral("正在扫描空文件夹…"));
    model.startScan(); // ignored while scanning
    ASSERT_TRUE(waitForState(model, State::Scanned));
    EXPECT_EQ(model.message(), QStringLiteral("发现 3 个空文件夹"));
    ASSERT_EQ(model.folders().size(), 3);
    EXPECT_EQ(model.folders()[0].path, deep);
    EXPECT_EQ(model.selectedCount(), 0);

    model.clean(); // nothing ticked: no change
    EXPECT_EQ(model.state(), State::Scanned);

    model.toggleAllSelection();
    model.toggleSelection(deep);
    EXPECT_EQ(model.selectedCount(), 2);

    m_tree->file(QStringLiteral("gains/new.txt"), 5);
    int trashChanged = 0;
    QObject::connect(&Notifications::instance(), &Notifications::trashContentsDidChange, &model,
                     [&] { ++trashChanged; });
    model.clean();
    EXPECT_EQ(model.state(), State::Cleaning);
    EXPECT_EQ(model.message(), QStringLiteral("正在移到废纸篓…"));
    ASSERT_TRUE(waitForState(model, State::Scanned));
    EXPECT_EQ(model.message(), QStringLiteral("已移动 1 个文件夹，部分目录已非空或处理失败"));
    EXPECT_FALSE(QFileInfo::exists(plain));
    EXPECT_TRUE(QFileInfo::exists(deep)); // not ticked
    // The folder that gained a file stays, still ticked, and the user hears why.
    ASSERT_EQ(model.folders().size(), 2);
    EXPECT_EQ(model.folders()[1].path, gains);
    EXPECT_TRUE(model.folders()[1].selected);
    EXPECT_EQ(loggedLines().filter(QStringLiteral("[EmptyFolderCleanup]")),
              QStringList{QStringLiteral("[EmptyFolderCleanup] 移到废纸篓失败：") + gains + QStringLiteral("，") +
                          EmptyFolderEngine::kNoLongerEmpty});
    EXPECT_TRUE(QTest::qWaitFor([&] { return trashChanged == 1; }));
}
