#include "support/ApplicationFixture.h"

#include "access/AccessManager.h"
#include "platform/Sandbox.h"

#include <QDir>

namespace Sweepora::Test {

using namespace Sweepora::Core;

void ApplicationFixture::SetUp()
{
    AccessFixture::SetUp();
    ASSERT_TRUE(QDir().mkpath(sharedApps()));
    ASSERT_TRUE(QDir().mkpath(homeApps()));
    Sandbox::setReadOnlyRoots(PlatformLayout::current().applicationRoots);
    m_tree = std::make_unique<TreeBuilder>(home());
}

PlatformLayout ApplicationFixture::layoutFor(const QString& home) const
{
    PlatformLayout layout = AccessFixture::layoutFor(home);
    layout.applicationRoots = {standardizedPath(home + QStringLiteral("/../../Applications")),
                               home + QStringLiteral("/Applications")};
    return layout;
}

QString ApplicationFixture::sharedApps() const
{
    return standardizedPath(home() + QStringLiteral("/../../Applications"));
}

void ApplicationFixture::grantHome()
{
    m_picker->answerWith(home());
    bool granted = false;
    AccessManager::requestHomeAuthorization([&](bool ok) { granted = ok; });
    ASSERT_TRUE(granted);
}

} // namespace Sweepora::Test
