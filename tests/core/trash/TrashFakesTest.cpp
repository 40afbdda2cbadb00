#include "TrashTestTree.h"

#include "support/TrashFakes.h"

using namespace Sweepora::Core;
using namespace Sweepora::Test;

using TrashFakes = TrashTestTree;

TEST_F(TrashFakes, FailingTrashFailsOnlyChosenPathsAndPassesTheRestThrough)
{
    const QByteArray kept = homeBytes() + "/kept.log";
    const QByteArray moved = homeBytes() + "/moved.log";
    ASSERT_TRUE(writeFile(kept, "k"));
    ASSERT_TRUE(writeFile(moved, "m"));
    auto failing = std::make_shared<FailingTrash>(std::make_shared<FreedesktopTrash>(m_dataHome));
    failing->failPath(QString::fromUtf8(kept) + QStringLiteral("/"), QStringLiteral("磁盘空间不足"), ENOSPC);
    Trash::setCurrent(failing);

    const Trash::Result refused = Trash::current().trashItem(QString::fromUtf8(kept));
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, QStringLiteral("磁盘空间不足"));
    EXPECT_EQ(refused.errorCode, ENOSPC);
    EXPECT_TRUE(exists(kept));

    EXPECT_TRUE(Trash::current().trashItem(QString::fromUtf8(moved)).ok);
    EXPECT_FALSE(exists(moved));
    EXPECT_EQ(failing->attempted(), (QStringList{QString::fromUtf8(kept), QString::fromUtf8(moved)}));
    EXPECT_EQ(failing->failed(), QStringList{QString::fromUtf8(kept)});

    failing->failEverything();
    EXPECT_FALSE(Trash::current().trashItem(QString::fromUtf8(kept)).ok);
    Trash::setCurrent(nullptr);
}

TEST_F(TrashFakes, RecordingTrashWithoutWrappedTrashTouchesNothing)
{
    const QByteArray file = homeBytes() + "/a.txt";
    ASSERT_TRUE(writeFile(file, "a"));
    auto recording = std::make_shared<RecordingTrash>();
    Trash::setCurrent(recording);
    const Trash::Result result = Trash::current().trashItem(QString::fromUtf8(file));
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.trashedPath.endsWith(QStringLiteral("/a.txt")));
    EXPECT_TRUE(exists(file));
    EXPECT_EQ(recording->requests(), QStringList{QString::fromUtf8(file)});
    Trash::setCurrent(nullptr);
}
