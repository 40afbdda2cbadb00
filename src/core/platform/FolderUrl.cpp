#include "platform/FolderUrl.h"

#include "platform/PlatformLayout.h"

namespace Sweepora::Core {

FolderUrl::FolderUrl(const QString& path) : m_path(standardizedPath(path))
{}

FolderUrl FolderUrl::withAccessRights(const QString& path)
{
    FolderUrl url(path);
    url.m_rights = true;
    return url;
}

} // namespace Sweepora::Core
