#pragma once

#include "core/platform/FolderUrl.h"

#include <QHash>
#include <QMutex>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QSettings;

namespace Sweepora::Core {

class Context;

// What the launch check found: whether the home grant works, and the folder it names.
struct LaunchReport
{
    bool valid = false;
    QString folderPath; // the open home grant, else the stored one; empty when there is none
};

// The granted folders of one context: the home grant and the folder grants kept as bookmarks
// in its settings, and the scopes open on them. AccessManager is its static face; see there
// for what each call means.
//
// One mutex guards the tables: the scanners call in from background threads while the GUI
// thread grants and restores. It is never held while the picker runs or a notification is
// posted. The code is split by concern: the stored grants (FolderGrants.cpp), the open scopes
// (FolderScopes.cpp) and the home authorization with the launch check (HomeAuthorization.cpp).
class FolderAccess
{
public:
    using Completion = std::function<void(bool)>;

    explicit FolderAccess(Context& context);
    FolderAccess(const FolderAccess&) = delete;
    FolderAccess& operator=(const FolderAccess&) = delete;

    FolderUrl homeDirectoryURL() const;
    std::optional<FolderUrl> storedHomeURL();
    bool hasHomeAccess();
    void requestHomeAuthorization(Completion completion);

    bool isCoveredByActiveScope(const FolderUrl& url);
    bool restoreFolderGrant(const FolderUrl& covering);
    bool persistFolderGrant(const FolderUrl& url);
    bool grantFolder(const FolderUrl& url);

    bool beginAccess(const FolderUrl& url);
    void endAccess(const FolderUrl& url);
    bool canAccess(const FolderUrl& url);

    void restorePersistedGrants();
    std::optional<FolderUrl> legacyBookmarkURL(const QString& rulePath);
    LaunchReport launchCheck();

    // Forgets the tables and closes their scopes.
    void reset();

private:
    QString homePath() const;
    bool isHomePath(const QString& path) const;
    QString probePathFor(const FolderUrl& grant) const;
    std::unique_ptr<QSettings> openDefaults() const;

    // These run with m_mutex held.
    std::optional<FolderUrl> storedHomeLocked(QSettings& defaults);
    bool hasHomeAccessLocked(QSettings& defaults);
    bool coveredLocked(const FolderUrl& url) const;
    bool restoreFolderGrantLocked(QSettings& defaults, const FolderUrl& url);
    bool persistFolderGrantLocked(QSettings& defaults, const FolderUrl& url);

    void askForHome(Completion completion, const QString& wrongChoice);
    void handleHomePanelResult(const std::optional<FolderUrl>& chosen, const Completion& completion);

    Context& m_context;
    mutable QMutex m_mutex;
    std::optional<FolderUrl> m_activeHome;
    QHash<QString, FolderUrl> m_activeFolders; // keyed by standardized path
};

} // namespace Sweepora::Core
