#pragma once

#include "support/AccessFixture.h"
#include "support/BundleBuilder.h"
#include "support/TreeBuilder.h"

#include <memory>

namespace Sweepora::Test {

// A private home with two application roots: a shared one outside the home (as /Applications,
// readable but not granted) and the home's own Applications folder.
class ApplicationFixture : public AccessFixture
{
protected:
    void SetUp() override;
    Core::PlatformLayout layoutFor(const QString& home) const override;

    // The shared root, outside the home.
    QString sharedApps() const;
    QString homeApps() const { return home() + QStringLiteral("/Applications"); }
    QString library() const { return home() + QStringLiteral("/Library"); }
    // Grants the home folder through the scripted picker.
    void grantHome();

    std::unique_ptr<TreeBuilder> m_tree; // rooted at the home
};

} // namespace Sweepora::Test
