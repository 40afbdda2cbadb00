#include "apps/ApplicationBundle.h"
#include "apps/InfoDictionary.h"
#include "support/ApplicationFixture.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

class ApplicationBundleTest : public ApplicationFixture
{
protected:
    void SetUp() override
    {
        ApplicationFixture::SetUp();
        grantHome();
    }
};

TEST_F(ApplicationBundleTest, NamePrecedenceHoldsForXmlAndBinaryInfoAndBrokenInfoFallsBackToTheFileName)
{
    for (const bool binary : {false, true}) {
        const QString suffix = binary ? QStringLiteral("B") : QStringLiteral("X");
        BundlePlist both;
        both.binary = binary;
        both.bundleID = QStringLiteral("com.example.both");
        both.displayName = QStringLiteral("显示名");
        both.bundleName = QStringLiteral("BundleName");
        BundlePlist onlyName = both;
        onlyName.displayName.reset();
        BundlePlist none;
        none.binary = binary;

        const ApplicationBundle a = ApplicationBundle::read(
            BundleBuilder::make(homeApps() + QStringLiteral("/Both") + suffix + QStringLiteral(".app"), both));
        EXPECT_EQ(a.name, QStringLiteral("显示名"));
        EXPECT_EQ(a.bundleID, QStringLiteral("com.example.both"));
        const ApplicationBundle b = ApplicationBundle::read(
            BundleBuilder::make(homeApps() + QStringLiteral("/Only") + suffix + QStringLiteral(".app"), onlyName));
        EXPECT_EQ(b.name, QStringLiteral("BundleName"));
        const ApplicationBundle c = ApplicationBundle::read(
            BundleBuilder::make(homeApps() + QStringLiteral("/My App ") + suffix + QStringLiteral(".app"), none));
        EXPECT_EQ(c.name, QStringLiteral("My App ") + suffix);
        EXPECT_FALSE(c.bundleID.has_value());
    }

    // Unreadable or malformed information falls back to the file name.
    m_tree->folder(QStringLiteral("Applications/Bare.app"));
    const ApplicationBundle bare = ApplicationBundle::read(homeApps() + QStringLiteral("/Bare.app"));
    EXPECT_EQ(bare.name, QStringLiteral("Bare"));
    EXPECT_FALSE(bare.bundleID);

    const QString garbage = m_tree->file(QStringLiteral("Applications/Junk.app/Contents/Info.plist"), 64);
    const ApplicationBundle junk = ApplicationBundle::read(homeApps() + QStringLiteral("/Junk.app"));
    EXPECT_EQ(junk.name, QStringLiteral("Junk"));
    EXPECT_FALSE(junk.bundleID);

    // A display name that is not text is no name.
    const QByteArray xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                           "<key>CFBundleDisplayName</key><integer>7</integer>"
                           "<key>CFBundleName</key><string>Real</string></dict></plist>";
    const std::optional<InfoDictionary> info = InfoDictionary::fromData(xml);
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->text(QStringLiteral("CFBundleDisplayName")));
    EXPECT_EQ(info->text(QStringLiteral("CFBundleName")), QStringLiteral("Real"));
    // A root that is not a dictionary is not an Info dictionary.
    EXPECT_FALSE(InfoDictionary::fromData("<plist version=\"1.0\"><array/></plist>"));
}

TEST_F(ApplicationBundleTest, ShallowListingTakesDirectChildrenOnlyAndDeepListingSkipsPackages)
{
    BundleBuilder::make(sharedApps() + QStringLiteral("/Top.APP"), BundleBuilder::xml(QStringLiteral("a.top")));
    BundleBuilder::make(sharedApps() + QStringLiteral("/Utilities/Tool.app"),
                        BundleBuilder::xml(QStringLiteral("a.tool")));
    BundleBuilder::make(sharedApps() + QStringLiteral("/Top.APP/Contents/Helpers/Inner.app"),
                        BundleBuilder::xml(QStringLiteral("a.inner")));
    BundleBuilder::make(sharedApps() + QStringLiteral("/Kit.framework/Hidden.app"),
                        BundleBuilder::xml(QStringLiteral("a.fw")));
    BundleBuilder::make(sharedApps() + QStringLiteral("/.Secret.app"), BundleBuilder::xml(QStringLiteral("a.secret")));
    QFile(sharedApps() + QStringLiteral("/notes.app")).open(QIODevice::WriteOnly); // a file, not a bundle
    QFile::link(sharedApps() + QStringLiteral("/Top.APP"), sharedApps() + QStringLiteral("/Link.app"));

    EXPECT_EQ(ApplicationBundle::bundlesIn(sharedApps()), QStringList{sharedApps() + QStringLiteral("/Top.APP")});
    EXPECT_EQ(
        ApplicationBundle::bundlesBelow(sharedApps()),
        (QStringList{sharedApps() + QStringLiteral("/Top.APP"), sharedApps() + QStringLiteral("/Utilities/Tool.app")}));
    EXPECT_TRUE(ApplicationBundle::bundlesBelow(sharedApps() + QStringLiteral("/missing")).isEmpty());
}

} // namespace
