#include "core/access/AccessManager.h"

#include "core/platform/Context.h"
#include "core/platform/Sandbox.h"
#include "core/platform/Settings.h"

namespace Sweepora::Core {

FolderAccess& AccessManager::access()
{
    return Context::current().access();
}

FolderUrl AccessManager::homeDirectoryURL()
{
    return access().homeDirectoryURL();
}

std::optional<FolderUrl> AccessManager::storedHomeURL()
{
    return access().storedHomeURL();
}

bool AccessManager::hasHomeAccess()
{
    return access().hasHomeAccess();
}

void AccessManager::requestHomeAuthorization(Completion completion)
{
    access().requestHomeAuthorization(std::move(completion));
}

bool AccessManager::isWithin(const FolderUrl& container, const FolderUrl& item)
{
    return Sandbox::isWithin(container.path(), item.path());
}

bool AccessManager::isCoveredByActiveScope(const FolderUrl& url)
{
    return access().isCoveredByActiveScope(url);
}

bool AccessManager::restoreFolderGrant(const FolderUrl& covering)
{
    return access().restoreFolderGrant(covering);
}

bool AccessManager::persistFolderGrant(const FolderUrl& url)
{
    return access().persistFolderGrant(url);
}

bool AccessManager::grantFolder(const FolderUrl& url)
{
    return access().grantFolder(url);
}

bool AccessManager::beginAccess(const FolderUrl& url)
{
    return access().beginAccess(url);
}

void AccessManager::endAccess(const FolderUrl& url)
{
    access().endAccess(url);
}

bool AccessManager::canAccess(const FolderUrl& url)
{
    return access().canAccess(url);
}

void AccessManager::restorePersistedGrants()
{
    access().restorePersistedGrants();
}

std::optional<FolderUrl> AccessManager::legacyBookmarkURL(const QString& rulePath)
{
    return access().legacyBookmarkURL(rulePath);
}

QString AccessManager::legacyBookmarkKey(const QString& rulePath)
{
    QString escaped = rulePath;
    escaped.replace(QLatin1Char('%'), QLatin1String("%25"))
        .replace(QLatin1Char('/'), QLatin1String("%2F"))
        .replace(QLatin1Char('\\'), QLatin1String("%5C"));
    return Settings::kLegacyBookmarkPrefix + escaped;
}

LaunchReport AccessManager::launchCheck()
{
    return access().launchCheck();
}

void AccessManager::resetForTesting()
{
    access().reset();
}

} // namespace Sweepora::Core
