#include "core/fs/PrivateFolders.h"

#include "core/fs/ResolveBeneath.h"
#include "core/fs/UniqueFd.h"

#include <QList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace Sweepora::Core {

int openOrMakePrivateFolders(const QByteArray& absolutePath)
{
    if (!absolutePath.startsWith('/')) {
        errno = EINVAL;
        return -1;
    }
    constexpr int kFlags = kPathOnly | O_DIRECTORY | O_CLOEXEC;
    // The nearest folder that exists, and the names missing below it.
    QByteArray existing = absolutePath;
    QList<QByteArray> missing;
    UniqueFd folder;
    for (;;) {
        folder = UniqueFd(::open(existing.constData(), kFlags));
        if (folder.valid() || errno != ENOENT)
            break;
        const qsizetype slash = existing.lastIndexOf('/');
        const QByteArray name = existing.mid(slash + 1);
        if (name == "..") {
            errno = EINVAL;
            return -1;
        }
        if (!name.isEmpty() && name != ".")
            missing.prepend(name);
        existing = slash == 0 ? QByteArray("/") : existing.left(slash);
    }
    if (!folder.valid())
        return -1;
    for (const QByteArray& name : std::as_const(missing)) {
        if (::mkdirat(folder.get(), name.constData(), 0700) != 0 && errno != EEXIST)
            return -1;
        UniqueFd next(::openat(folder.get(), name.constData(), kFlags | O_NOFOLLOW));
        if (!next.valid())
            return -1;
        folder = std::move(next);
    }
    return folder.release();
}

} // namespace Sweepora::Core
