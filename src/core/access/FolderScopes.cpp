// The home grant and the scopes open on the granted folders: whether a location is reachable.
#include "core/access/BookmarkStore.h"
#include "core/access/FolderAccess.h"

#include "core/platform/Bookmark.h"
#include "core/platform/Context.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/platform/Settings.h"

#include <QFile>
#include <QMutexLocker>
#include <QSettings>

#include <unistd.h>

namespace Sweepora::Core {
namespace {

bool isReadable(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), R_OK) == 0;
}

} // namespace

FolderAccess::FolderAccess(Context& context) : m_context(context)
{}

QString FolderAccess::homePath() const
{
    return m_context.layout().home;
}

// The real home, or the very same folder (device and inode) seen through another volume's path,
// which ends with it; a different folder that merely ends with the home's path is not the home.
bool FolderAccess::isHomePath(const QString& path) const
{
    const QString home = homePath();
    return !path.isEmpty() && !home.isEmpty() &&
           (path == home || (path.endsWith(home) && FolderUrl::isSameFolder(path, home)));
}

// The layout's probe folder, placed below the granted folder instead of the real home.
QString FolderAccess::probePathFor(const FolderUrl& grant) const
{
    const PlatformLayout& layout = m_context.layout();
    if (layout.probeFolder == layout.home)
        return grant.path();
    if (!Sandbox::isWithin(layout.home, layout.probeFolder))
        return layout.probeFolder;
    return standardizedPath(grant.path() + QLatin1Char('/') + layout.probeFolder.mid(layout.home.size()));
}

std::unique_ptr<QSettings> FolderAccess::openDefaults() const
{
    return m_context.settingsCopy();
}

std::optional<FolderUrl> FolderAccess::storedHomeLocked(QSettings& defaults)
{
    const std::optional<QByteArray> data = BookmarkStore::readData(defaults, Settings::kHomeBookmark);
    if (!data)
        return std::nullopt;
    const BookmarkResolution resolved = Bookmark::resolve(*data);
    if (!resolved.url)
        return std::nullopt;
    if (resolved.stale) {
        if (const std::optional<QByteArray> fresh = Bookmark::create(*resolved.url))
            defaults.setValue(Settings::kHomeBookmark, *fresh);
    }
    return resolved.url;
}

bool FolderAccess::hasHomeAccessLocked(QSettings& defaults)
{
    const std::optional<FolderUrl> grant = storedHomeLocked(defaults);
    if (!grant || !isHomePath(grant->path()))
        return false;
    if (!m_activeHome) {
        if (!Bookmark::startAccessing(*grant))
            return false;
        m_activeHome = *grant;
    }
    return isReadable(probePathFor(*grant));
}

bool FolderAccess::coveredLocked(const FolderUrl& url) const
{
    if (m_activeHome && Sandbox::isWithin(m_activeHome->path(), url.path()))
        return true;
    for (const FolderUrl& folder : m_activeFolders)
        if (Sandbox::isWithin(folder.path(), url.path()))
            return true;
    return false;
}

FolderUrl FolderAccess::homeDirectoryURL() const
{
    return FolderUrl(homePath());
}

std::optional<FolderUrl> FolderAccess::storedHomeURL()
{
    QMutexLocker lock(&m_mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    return storedHomeLocked(*defaults);
}

bool FolderAccess::hasHomeAccess()
{
    QMutexLocker lock(&m_mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    return hasHomeAccessLocked(*defaults);
}

bool FolderAccess::isCoveredByActiveScope(const FolderUrl& url)
{
    QMutexLocker lock(&m_mutex);
    return coveredLocked(url);
}

bool FolderAccess::beginAccess(const FolderUrl& url)
{
    if (url.isEmpty())
        return false;
    QMutexLocker lock(&m_mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    if (coveredLocked(url) || restoreFolderGrantLocked(*defaults, url))
        return false;
    if (const std::optional<FolderUrl> home = storedHomeLocked(*defaults);
        home && Sandbox::isWithin(home->path(), url.path())) {
        hasHomeAccessLocked(*defaults); // opens the home scope when it can
        return false;
    }
    if (!Bookmark::startAccessing(url))
        return false; // the caller goes on and finds nothing readable
    persistFolderGrantLocked(*defaults, url);
    return true;
}

void FolderAccess::endAccess(const FolderUrl& url)
{
    QMutexLocker lock(&m_mutex);
    if (!coveredLocked(url))
        Bookmark::stopAccessing(url);
}

bool FolderAccess::canAccess(const FolderUrl& url)
{
    if (url.isEmpty())
        return false;
    QMutexLocker lock(&m_mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    if (coveredLocked(url) || restoreFolderGrantLocked(*defaults, url))
        return true;
    if (const std::optional<FolderUrl> home = storedHomeLocked(*defaults);
        home && Sandbox::isWithin(home->path(), url.path()))
        return hasHomeAccessLocked(*defaults);
    return false;
}

void FolderAccess::reset()
{
    QMutexLocker lock(&m_mutex);
    if (m_activeHome)
        Bookmark::stopAccessing(*m_activeHome);
    for (const FolderUrl& folder : std::as_const(m_activeFolders))
        Bookmark::stopAccessing(folder);
    m_activeHome.reset();
    m_activeFolders.clear();
}

} // namespace Sweepora::Core
