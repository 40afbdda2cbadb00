// The folder grants kept as bookmarks in the settings: storing, reopening and refreshing them.
#include "core/access/AccessManager.h"
#include "core/access/BookmarkStore.h"
#include "core/access/FolderAccess.h"

#include "core/platform/Bookmark.h"
#include "core/platform/Context.h"
#include "core/platform/Sandbox.h"
#include "core/platform/Settings.h"

#include <QMutexLocker>
#include <QSettings>
#include <QStringList>

namespace Sweepora::Core {

using BookmarkStore::FolderGrants;

bool FolderAccess::restoreFolderGrantLocked(QSettings& defaults, const FolderUrl& url)
{
    const QString target = url.path();
    FolderGrants folders = BookmarkStore::readFolders(defaults);
    QString best;
    for (auto it = folders.cbegin(); it != folders.cend(); ++it)
        if (Sandbox::isWithin(it.key(), target) && it.key().size() > best.size())
            best = it.key(); // the innermost granted folder
    if (best.isEmpty())
        return false;

    const BookmarkResolution resolved = Bookmark::resolve(folders.value(best));
    if (!resolved.url)
        return false;
    const QString path = resolved.url->path();
    // Already open under its own path (the stored key differs): one scope is enough.
    if (!m_activeFolders.contains(path) && !Bookmark::startAccessing(*resolved.url))
        return false;
    m_activeFolders.insert(path, *resolved.url);

    if (resolved.stale) {
        if (const std::optional<QByteArray> fresh = Bookmark::create(*resolved.url)) {
            folders.remove(best);
            folders.insert(path, *fresh);
            BookmarkStore::writeFolders(defaults, folders);
        }
    }
    return true;
}

bool FolderAccess::persistFolderGrantLocked(QSettings& defaults, const FolderUrl& url)
{
    if (url.isEmpty() || isHomePath(url.path()))
        return false;
    const std::optional<QByteArray> data = Bookmark::create(url);
    if (!data)
        return false;
    FolderGrants folders = BookmarkStore::readFolders(defaults);
    folders.insert(url.path(), *data);
    BookmarkStore::writeFolders(defaults, folders);
    m_context.logLine(QStringLiteral("[AccessManager] 已持久化文件夹授权：") + url.path());
    return true;
}

bool FolderAccess::restoreFolderGrant(const FolderUrl& covering)
{
    QMutexLocker lock(&m_mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    return restoreFolderGrantLocked(*defaults, covering);
}

bool FolderAccess::persistFolderGrant(const FolderUrl& url)
{
    QMutexLocker lock(&m_mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    return persistFolderGrantLocked(*defaults, url);
}

bool FolderAccess::grantFolder(const FolderUrl& url)
{
    if (url.isEmpty() || isHomePath(url.path()))
        return false;
    QMutexLocker lock(&m_mutex);
    const std::optional<QByteArray> data = Bookmark::create(url);
    if (!data || !Bookmark::startAccessing(url))
        return false;
    if (const auto earlier = m_activeFolders.constFind(url.path()); earlier != m_activeFolders.cend())
        Bookmark::stopAccessing(*earlier);
    m_activeFolders.insert(url.path(), url);

    const std::unique_ptr<QSettings> defaults = openDefaults();
    FolderGrants folders = BookmarkStore::readFolders(*defaults);
    folders.insert(url.path(), *data);
    BookmarkStore::writeFolders(*defaults, folders);
    return true;
}

void FolderAccess::restorePersistedGrants()
{
    QStringList restored;
    {
        QMutexLocker lock(&m_mutex);
        const std::unique_ptr<QSettings> defaults = openDefaults();
        bool changed = false;
        const FolderGrants folders = BookmarkStore::readFolders(*defaults, &changed);
        FolderGrants kept = folders;
        for (auto it = folders.cbegin(); it != folders.cend(); ++it) {
            const BookmarkResolution resolved = Bookmark::resolve(it.value());
            if (!resolved.url) {
                kept.remove(it.key());
                changed = true;
                continue;
            }
            const QString path = resolved.url->path();
            QByteArray data = it.value();
            bool refreshed = false;
            if (resolved.stale) {
                if (const std::optional<QByteArray> fresh = Bookmark::create(*resolved.url)) {
                    data = *fresh;
                    refreshed = true;
                }
            }
            if (it.key() != path || refreshed) {
                kept.remove(it.key());
                kept.insert(path, data);
                changed = true;
            }
            // A grant that cannot be opened now keeps its stored data for a later try.
            if (!m_activeFolders.contains(path) && !Bookmark::startAccessing(*resolved.url))
                continue;
            m_activeFolders.insert(path, *resolved.url);
            restored.append(path);
        }
        if (changed)
            BookmarkStore::writeFolders(*defaults, kept);
    }
    if (restored.isEmpty())
        return;
    restored.sort();
    restored.removeDuplicates();
    m_context.logLine(QStringLiteral("[AccessManager] 已恢复持久化授权：") + restored.join(QStringLiteral("、")));
}

std::optional<FolderUrl> FolderAccess::legacyBookmarkURL(const QString& rulePath)
{
    const QString key = AccessManager::legacyBookmarkKey(rulePath);
    // The rule paths "home" and "folders" would name the current grants, not an older one.
    if (rulePath.isEmpty() || key == Settings::kHomeBookmark || key == Settings::kFolderBookmarks)
        return std::nullopt;
    QMutexLocker lock(&m_mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    const std::optional<QByteArray> data = BookmarkStore::readData(*defaults, key);
    if (!data)
        return std::nullopt;
    const BookmarkResolution resolved = Bookmark::resolve(*data);
    if (!resolved.url || resolved.url->path() == homePath())
        return std::nullopt; // a home grant under a per-path key is ignored
    if (resolved.stale) {
        if (const std::optional<QByteArray> fresh = Bookmark::create(*resolved.url)) {
            defaults->setValue(key, *fresh);
            persistFolderGrantLocked(*defaults, *resolved.url);
        }
    }
    return resolved.url;
}

} // namespace Sweepora::Core
