#include "core/platform/Sandbox.h"
#include "core/platform/PlatformLayout.h"

#include <gtest/gtest.h>

using namespace Sweepora::Core;

TEST(Sandbox, ReadsOnlyInsideCountedOpenScopesAndReadOnlyRootsAndLayoutsStandardizeWithoutResolvingLinks)
{
    Sandbox::reset();
    EXPECT_FALSE(Sandbox::canRead(QStringLiteral("/home/u")));
    Sandbox::openScope(QStringLiteral("/home/u"));
    EXPECT_TRUE(Sandbox::canRead(QStringLiteral("/home/u/docs/a")));
    EXPECT_TRUE(Sandbox::canModify(QStringLiteral("/home/u")));
    EXPECT_FALSE(Sandbox::canRead(QStringLiteral("/home/user2")));      // sibling with the same prefix
    EXPECT_FALSE(Sandbox::canRead(QStringLiteral("/home/u/../other"))); // climbs out
    EXPECT_FALSE(Sandbox::canRead(QStringLiteral("/")));

    Sandbox::setReadOnlyRoots({QStringLiteral("/opt/apps")});
    EXPECT_TRUE(Sandbox::canRead(QStringLiteral("/opt/apps/x")));
    EXPECT_FALSE(Sandbox::canModify(QStringLiteral("/opt/apps/x")));

    // Scopes are counted.
    Sandbox::reset();
    Sandbox::openScope(QStringLiteral("/d"));
    Sandbox::openScope(QStringLiteral("/d/"));
    Sandbox::closeScope(QStringLiteral("/d"));
    EXPECT_TRUE(Sandbox::canRead(QStringLiteral("/d/f")));
    Sandbox::closeScope(QStringLiteral("/d"));
    EXPECT_FALSE(Sandbox::canRead(QStringLiteral("/d/f")));

    EXPECT_EQ(standardizedPath(QStringLiteral("/a/./b/../c/")), QStringLiteral("/a/c"));
    EXPECT_EQ(standardizedPath(QStringLiteral("/home/u/../../..")), QStringLiteral("/"));
    const PlatformLayout l = PlatformLayout::forHome(QStringLiteral("/tmp/h/"));
    EXPECT_EQ(l.home, QStringLiteral("/tmp/h"));
    EXPECT_FALSE(l.trashFolder.isEmpty());
}
