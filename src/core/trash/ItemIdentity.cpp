#include "core/trash/ItemIdentity.h"

#include "core/platform/Sandbox.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace Sweepora::Core {
namespace {

EntryKind kindOf(mode_t mode)
{
    return S_ISREG(mode)   ? EntryKind::regular
           : S_ISDIR(mode) ? EntryKind::directory
           : S_ISLNK(mode) ? EntryKind::symlink
                           : EntryKind::other;
}

} // namespace

ItemIdentity ItemIdentity::of(const WalkEntry& entry)
{
    ItemIdentity id;
    const std::optional<WalkEntry::Identity> self = entry.identity();
    const std::optional<WalkEntry::Identity> folder = entry.folderIdentity();
    if (!self || !folder)
        return id;
    id.device = self->device;
    id.inode = self->inode;
    id.parentDevice = folder->device;
    id.parentInode = folder->inode;
    id.logicalSize = entry.logicalSize().value_or(0);
    id.kind = entry.kind();
    id.known = true;
    return id;
}

ItemIdentity ItemIdentity::lookUp(const QString& path)
{
    ItemIdentity id;
    const Sandbox::Parent parent = Sandbox::openParent(path, Sandbox::Access::read);
    struct stat folder;
    struct stat st;
    if (!parent.parent.valid() || ::fstat(parent.parent.get(), &folder) != 0 ||
        ::fstatat(parent.parent.get(), parent.name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return id;
    id.device = static_cast<quint64>(st.st_dev);
    id.inode = static_cast<quint64>(st.st_ino);
    id.parentDevice = static_cast<quint64>(folder.st_dev);
    id.parentInode = static_cast<quint64>(folder.st_ino);
    id.logicalSize = static_cast<qint64>(st.st_size);
    id.kind = kindOf(st.st_mode);
    id.known = true;
    return id;
}

} // namespace Sweepora::Core
