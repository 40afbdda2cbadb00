#pragma once

#include "support/BundleBuilder.h"
#include "support/HomeFixture.h"

namespace Sweepora::Test {

// A private home with two application roots: a shared one outside the home (as /Applications,
// readable but not granted) and the home's own Applications folder.
class ApplicationFixture : public HomeFixture
{
protected:
    void SetUp() override;
    Core::PlatformLayout layoutFor(const QString& home) const override;

    // The shared root, outside the home.
    QString sharedApps() const;
    QString homeApps() const { return home() + QStringLiteral("/Applications"); }
    QString library() const { return home() + QStringLiteral("/Library"); }
};

} // namespace Sweepora::Test
