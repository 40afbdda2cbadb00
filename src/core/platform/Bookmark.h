#pragma once

#include "core/platform/FolderUrl.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace Sweepora::Core {

struct BookmarkResolution
{
    std::optional<FolderUrl> url; // carries access rights; none on error
    bool stale = false;           // another folder (or file) now stands at the recorded path
    QString error;                // empty unless `url` is none
};

// Bookmarks that keep a granted location across launches, as a sandbox keeps them: the data
// records the standardized path and the identity (device, inode) of what was there.
//
// Creating one needs access, as in a sandbox: the location must carry access rights (it came
// from the picker or from a bookmark) or lie inside an open scope. Resolving one mints a
// location with access rights again; the rights only matter once a scope is opened on it.
class Bookmark
{
public:
    // None when nothing is at the location or the caller has no access to it.
    static std::optional<QByteArray> create(const FolderUrl& url);
    static BookmarkResolution resolve(const QByteArray& data);

    // Opens a scope on the location. Succeeds only for a location that carries access rights
    // and that exists and is readable; a plain FolderUrl(path) never opens one.
    static bool startAccessing(const FolderUrl& url);
    // Closes one scope opened by startAccessing. A location without rights opened nothing,
    // so it closes nothing either (it cannot close a scope that someone else opened).
    static void stopAccessing(const FolderUrl& url);
};

} // namespace Sweepora::Core
