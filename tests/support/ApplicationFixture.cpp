#include "support/ApplicationFixture.h"

#include "platform/Sandbox.h"

#include <QDir>

namespace Sweepora::Test {

using namespace Sweepora::Core;

void ApplicationFixture::SetUp()
{
    HomeFixture::SetUp();
    ASSERT_TRUE(QDir().mkpath(sharedApps()));
    ASSERT_TRUE(QDir().mkpath(homeApps()));
    Sandbox::setReadOnlyRoots(PlatformLayout::current().applicationRoots);
}

PlatformLayout ApplicationFixture::layoutFor(const QString& home) const
{
    PlatformLayout layout = HomeFixture::layoutFor(home);
    layout.useBundleRoots(
        {standardizedPath(home + QStringLiteral("/../../Applications")), home + QStringLiteral("/Applications")});
    return layout;
}

QString ApplicationFixture::sharedApps() const
{
    return standardizedPath(home() + QStringLiteral("/../../Applications"));
}

} // namespace Sweepora::Test
