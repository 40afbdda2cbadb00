#include "core/trash/TrashContents.h"

#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Core {
namespace {

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

qint64 allocatedSize(const struct stat& st)
{
    return static_cast<qint64>(st.st_blocks) * 512;
}

// Takes ownership of `fd`. Opens one descriptor per level, so only a tree deeper than the
// descriptor limit is cut short (its deepest part then counts 0).
qint64 allocatedSizeBelow(int fd)
{
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return 0;
    }
    qint64 total = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (isDotOrDotDot(entry->d_name))
            continue;
        if (entry->d_type == DT_DIR) {
            const int child = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                total += allocatedSizeBelow(child);
            continue;
        }
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN)
            continue;
        struct stat st;
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(st.st_mode)) {
            total += allocatedSize(st);
        } else if (S_ISDIR(st.st_mode)) {
            const int child = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                total += allocatedSizeBelow(child);
        }
    }
    ::closedir(dir);
    return total;
}

QString describe(int code)
{
    QString text;
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        text = QStringLiteral("废纸篓不存在");
        break;
    case EACCES:
    case EPERM:
        text = QStringLiteral("没有权限读取废纸篓");
        break;
    default:
        text = QStringLiteral("无法读取废纸篓");
        break;
    }
    return text + QStringLiteral("（%1）").arg(qt_error_string(code));
}

} // namespace

bool TrashContents::isPermissionError() const
{
    return errorCode == EACCES || errorCode == EPERM;
}

TrashContents TrashContents::list(const QString& folder)
{
    TrashContents contents;
    const QString path = folder.isEmpty() ? PlatformLayout::current().trashFolder : folder;
    const int fd = ::open(bytesFromPath(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        contents.errorCode = errno;
        contents.error = describe(contents.errorCode);
        if (fd >= 0)
            ::close(fd);
        return contents;
    }

    QList<QByteArray> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isDotOrDotDot(entry->d_name))
            names.append(QByteArray(entry->d_name));
        errno = 0;
    }
    if (errno != 0) {
        contents.errorCode = errno;
        contents.error = describe(contents.errorCode);
        ::closedir(dir);
        return contents;
    }
    std::sort(names.begin(), names.end());

    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    for (const QByteArray& name : names) {
        Item item{prefix + pathFromBytes(name), 0};
        struct stat st;
        if (::fstatat(::dirfd(dir), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISREG(st.st_mode)) {
                item.allocatedSize = allocatedSize(st);
            } else if (S_ISDIR(st.st_mode)) {
                const int child =
                    ::openat(::dirfd(dir), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (child >= 0)
                    item.allocatedSize = allocatedSizeBelow(child);
            }
        }
        contents.totalSize += item.allocatedSize;
        contents.items.append(item);
    }
    ::closedir(dir);
    contents.readable = true;
    return contents;
}

} // namespace Sweepora::Core
