#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace Sweepora::Core {

// The user defaults: one QSettings store (organization and application "Sweepora").
// QSettings fixes its path once per process, so tests name an explicit file first. The store
// belongs to the installed context.
class Settings
{
public:
    static QSettings& store();
    // Use an INI file at `path` from now on (tests, or a portable copy of the application).
    static void useFile(const QString& path);
    // A settings object of the caller's own on the same store: one QSettings object must not
    // be used from two threads, while separate objects on one file may be (they share a
    // cache). Changes are written when it goes.
    static std::unique_ptr<QSettings> threadCopy();

    static inline const QString kHomeBookmark = QStringLiteral("sweepora.security-scoped.home");
    static inline const QString kFolderBookmarks = QStringLiteral("sweepora.security-scoped.folders");
    static inline const QString kLegacyBookmarkPrefix = QStringLiteral("sweepora.security-scoped.");
    static inline const QString kLastUpdateCheck = QStringLiteral("sweepora.update.lastCheckAt");
    static inline const QString kSkippedBuild = QStringLiteral("sweepora.update.skippedBuildNumber");
    static inline const QString kUserID = QStringLiteral("user_id");
};

} // namespace Sweepora::Core
