#include "core/platform/FolderUrl.h"

#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"

#include <sys/stat.h>

namespace Sweepora::Core {

FolderUrl::FolderUrl(const QString& path) : m_path(standardizedPath(path))
{}

bool FolderUrl::isSameFolder(const QString& a, const QString& b)
{
    struct stat sa;
    struct stat sb;
    return ::stat(bytesFromPath(a).constData(), &sa) == 0 && ::stat(bytesFromPath(b).constData(), &sb) == 0 &&
           S_ISDIR(sa.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

FolderUrl FolderUrl::sameFolderAt(const FolderUrl& granted, const QString& path)
{
    FolderUrl url(path);
    url.m_rights = granted.m_rights && isSameFolder(granted.path(), url.path());
    return url;
}

FolderUrl FolderUrl::withAccessRights(const QString& path)
{
    FolderUrl url(path);
    url.m_rights = true;
    return url;
}

} // namespace Sweepora::Core
