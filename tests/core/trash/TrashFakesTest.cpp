#include "TrashTestTree.h"

#include "support/TrashFakes.h"

using namespace Sweepora::Core;
using namespace Sweepora::Test;

using TrashFakes = TrashTestTree;

TEST_F(TrashFakes, FailingTrashFailsChosenPathsOnlyAndRecordingTrashTouchesNothing)
{
    const QString kept = m_home + QStringLiteral("/kept.log");
    const QString moved = m_home + QStringLiteral("/moved.log");
    ASSERT_TRUE(writeFile(QFile::encodeName(kept), "k") && writeFile(QFile::encodeName(moved), "m"));
    auto failing = std::make_shared<FailingTrash>(std::make_shared<FreedesktopTrash>(m_dataHome));
    failing->failPath(kept + QStringLiteral("/"), QStringLiteral("磁盘空间不足"), ENOSPC);
    Trash::setCurrent(failing);

    const Trash::Result refused = Trash::current().trashItem(kept);
    EXPECT_EQ(refused.error, QStringLiteral("磁盘空间不足"));
    EXPECT_EQ(refused.errorCode, ENOSPC);
    EXPECT_TRUE(Trash::current().trashItem(moved).ok);
    EXPECT_TRUE(exists(QFile::encodeName(kept)));
    EXPECT_FALSE(exists(QFile::encodeName(moved)));
    EXPECT_EQ(failing->attempted(), (QStringList{kept, moved}));
    EXPECT_EQ(failing->failed(), QStringList{kept});

    auto recording = std::make_shared<RecordingTrash>();
    Trash::setCurrent(recording);
    EXPECT_TRUE(Trash::current().trashItem(kept).ok);
    EXPECT_TRUE(exists(QFile::encodeName(kept)));
    EXPECT_EQ(recording->requests(), QStringList{kept});
    Trash::setCurrent(nullptr);
}
