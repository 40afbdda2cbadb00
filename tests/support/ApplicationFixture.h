#pragma once

#include "core/platform/Sandbox.h"
#include "support/BundleBuilder.h"
#include "support/HomeFixture.h"

#include <QDir>

namespace Sweepora::Test {

// A private home with two application roots: a shared one outside the home (as /Applications,
// readable but not granted) and the home's own Applications folder.
class ApplicationFixture : public HomeFixture
{
protected:
    void SetUp() override
    {
        HomeFixture::SetUp();
        ASSERT_TRUE(QDir().mkpath(sharedApps()));
        ASSERT_TRUE(QDir().mkpath(homeApps()));
        Core::Sandbox::setReadOnlyRoots(Core::PlatformLayout::current().applicationRoots);
    }
    // Asked for while the fixture sets up, with its home already made.
    Core::PlatformLayout layoutFor(const QString& home) const override
    {
        Core::PlatformLayout layout = HomeFixture::layoutFor(home);
        layout.useBundleRoots({sharedApps(), homeApps()});
        return layout;
    }

    // The shared root, outside the home.
    QString sharedApps() const { return Core::standardizedPath(home() + QStringLiteral("/../../Applications")); }
    QString homeApps() const { return home() + QStringLiteral("/Applications"); }
    QString library() const { return home() + QStringLiteral("/Library"); }
};

} // namespace Sweepora::Test
