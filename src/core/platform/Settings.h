#pragma once

#include <QSettings>
#include <QString>

namespace Sweepora::Core {

// The user defaults: one QSettings store (organization and application "Sweepora").
// QSettings fixes its path once per process, so tests name an explicit file first.
class Settings
{
public:
    static QSettings& store();
    // Use an INI file at `path` from now on (tests, or a portable copy of the application).
    static void useFile(const QString& path);

    static inline const QString kHomeBookmark = QStringLiteral("sweepora.security-scoped.home");
    static inline const QString kFolderBookmarks = QStringLiteral("sweepora.security-scoped.folders");
    static inline const QString kLegacyBookmarkPrefix = QStringLiteral("sweepora.security-scoped.");
    static inline const QString kLastUpdateCheck = QStringLiteral("sweepora.update.lastCheckAt");
    static inline const QString kSkippedBuild = QStringLiteral("sweepora.update.skippedBuildNumber");
    static inline const QString kUserID = QStringLiteral("user_id");
};

} // namespace Sweepora::Core
