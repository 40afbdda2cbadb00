#pragma once

#include <QString>

#include <optional>

namespace Sweepora::Test {

// Writes application bundles for fixture trees: Foo.app/Contents/Info.plist in the XML or the
// binary format (through libplist, as real bundles come), plus an executable of a given size.
struct BundlePlist
{
    std::optional<QString> bundleID = {};
    std::optional<QString> displayName = {}; // CFBundleDisplayName
    std::optional<QString> bundleName = {};  // CFBundleName
    bool binary = false;
    qint64 executableBytes = 0;
};

class BundleBuilder
{
public:
    // Makes `folder` (absolute) and the bundle in it; returns the bundle's path.
    static QString make(const QString& bundlePath, const BundlePlist& plist);
    static BundlePlist xml(const QString& bundleID, qint64 executableBytes = 0)
    {
        return {bundleID, std::nullopt, std::nullopt, false, executableBytes};
    }
    static BundlePlist binary(const QString& bundleID, qint64 executableBytes = 0)
    {
        return {bundleID, std::nullopt, std::nullopt, true, executableBytes};
    }
};

} // namespace Sweepora::Test
