#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Sweepora::Core {

// An application bundle: a folder whose extension is "app", described by the Info dictionary
// in its Contents/Info.plist (XML or binary).
struct ApplicationBundle
{
    QString path; // standardized
    // "CFBundleDisplayName", else "CFBundleName", else the folder's name without its extension.
    QString name;
    // "CFBundleIdentifier"; none when the bundle has no readable Info dictionary or no identifier.
    std::optional<QString> bundleID;

    // Reads the bundle at `path`. Never fails: what cannot be read falls back to the file name.
    static ApplicationBundle read(const QString& path);

    // The lower-cased extension of `fileName` is "app".
    static bool isApplicationName(const QString& fileName);

    // The application bundles directly inside `root`, hidden entries skipped, sorted by path.
    // Symbolic links are not bundles: nothing is followed.
    static QStringList bundlesIn(const QString& root);
    // The application bundles anywhere below `root`, hidden entries skipped and no package
    // entered (an application inside another one is not found), sorted by path so that the
    // order of discovery is the same on every scan.
    static QStringList bundlesBelow(const QString& root);
};

} // namespace Sweepora::Core
