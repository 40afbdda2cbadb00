#include "platform/Bookmark.h"
#include "platform/Sandbox.h"
#include "support/AccessFixture.h"

using namespace Sweepora::Core;
using Sweepora::Test::ScriptedFolderPicker;
using Bookmarks = Sweepora::Test::AccessFixture;

// Staleness and vanished folders are covered through the access manager's tests.
TEST_F(Bookmarks, OnlyLocationsWithAccessMakeBookmarksAndScopes)
{
    const QString folder = makeFolder(QStringLiteral("a b/ü"));
    const FolderUrl granted = ScriptedFolderPicker::withRights(folder);
    EXPECT_FALSE(Bookmark::create(FolderUrl(folder)));
    EXPECT_FALSE(Bookmark::startAccessing(FolderUrl(folder)));
    EXPECT_FALSE(Bookmark::startAccessing(ScriptedFolderPicker::withRights(folder + QStringLiteral("/missing"))));
    const QByteArray data = Bookmark::create(granted).value();
    EXPECT_EQ(Bookmark::resolve(data).url, granted);
    for (const QByteArray& bad : {QByteArray(), folder.toUtf8(), data.left(data.size() - 1), data + '\0'})
        EXPECT_FALSE(Bookmark::resolve(bad).url) << bad.toHex().constData();

    ASSERT_TRUE(Bookmark::startAccessing(granted));
    EXPECT_TRUE(Sandbox::canRead(folder + QStringLiteral("/f")));
    EXPECT_TRUE(Bookmark::create(FolderUrl(folder))); // inside an open scope now
    Bookmark::stopAccessing(FolderUrl(folder));       // a plain location opened nothing to close
    EXPECT_TRUE(Sandbox::canRead(folder));
    Bookmark::stopAccessing(granted);
    EXPECT_FALSE(Sandbox::canRead(folder));
}
