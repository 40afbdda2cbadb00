#pragma once

#include "core/access/FolderAccess.h"
#include "core/platform/FolderUrl.h"

#include <QString>
#include <functional>
#include <optional>

namespace Sweepora::Core {

// The folder access manager: obtains the user's grant of the real home folder, keeps it and
// further folder grants across launches as bookmarks in the settings, reopens them, and
// answers for any location whether and how it can be reached. Every scanner asks here before
// it touches the file system.
//
// The calls answer for the installed context (Context::current().access(), a FolderAccess),
// which holds the tables; this class holds no state.
class AccessManager
{
public:
    using Completion = std::function<void(bool)>;

    // The real home folder (the platform layout's), without access rights.
    static FolderUrl homeDirectoryURL();
    // The stored home grant, resolved (and its bookmark refreshed when stale).
    static std::optional<FolderUrl> storedHomeURL();
    // The stored grant is the real home, its scope is open (opened here on first use) and the
    // layout's probe folder below it is readable.
    static bool hasHomeAccess();
    // Completes at once with true when hasHomeAccess(); otherwise forgets the stored home
    // grant and asks the user through FolderPicker::current(). The completion runs once, on
    // the thread that the picker answers on (the GUI thread).
    static void requestHomeAuthorization(Completion completion);
    // What a scanner says when it needs the home grant; the page offers "去授权" with it.
    static inline const QString kNeedsHome = QStringLiteral("请先授权个人文件夹");

    // `item` is `container` or lies below it; "/a/bc" is not within "/a/b".
    static bool isWithin(const FolderUrl& container, const FolderUrl& item);
    // The location lies inside the open home scope or an open folder grant.
    static bool isCoveredByActiveScope(const FolderUrl& url);
    // Opens the innermost stored folder grant that covers the location.
    static bool restoreFolderGrant(const FolderUrl& covering);
    // Stores a bookmark for a folder (never for the home folder).
    static bool persistFolderGrant(const FolderUrl& url);
    // Takes a folder that the user chose in a picker: opens its scope for the rest of the
    // process and stores its bookmark. Never the home folder.
    static bool grantFolder(const FolderUrl& url);

    // Makes a location reachable. True only when it opened a scope on the location itself;
    // the caller then ends it with endAccess() when done.
    static bool beginAccess(const FolderUrl& url);
    // Closes a scope that beginAccess() opened, unless the location has meanwhile become
    // covered by the scopes kept for the rest of the process. Check and close are one step.
    static void endAccess(const FolderUrl& url);
    // Reachability without opening a new scope on the location itself.
    static bool canAccess(const FolderUrl& url);

    // Reopens every stored folder grant; grants that no longer resolve are forgotten.
    static void restorePersistedGrants();
    // The older per-path grant stored for a rule path, resolved; its scope is not opened.
    static std::optional<FolderUrl> legacyBookmarkURL(const QString& rulePath);
    // The settings key of that grant. The path is kept readable, with "%", "/" and "\"
    // percent-encoded: the settings store treats "/" as a group separator and would fold
    // "a//b" into "a/b" and drop a trailing slash.
    static QString legacyBookmarkKey(const QString& rulePath);

    // The start-up check of the window: reopens the stored grants, checks the home grant and
    // logs what it found. The window shows its prompt when the report is not valid.
    static LaunchReport launchCheck();

    // Forgets the in-memory tables and closes their scopes, as a new process would start.
    static void resetForTesting();

private:
    static FolderAccess& access();
};

} // namespace Sweepora::Core
