#include "core/fs/ResolveBeneath.h"

#include "core/fs/UniqueFd.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/openat2.h>
#include <sys/syscall.h>
#endif

namespace Sweepora::Core {
namespace {

constexpr int kStepFlags = kPathOnly | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool hasForbiddenComponent(std::string_view relative)
{
    if (!relative.empty() && relative.front() == '/')
        return true;
    size_t start = 0;
    while (start <= relative.size()) {
        const size_t end = std::min(relative.find('/', start), relative.size());
        const std::string_view part = relative.substr(start, end - start);
        if (part == ".." || (part.empty() && end < relative.size()))
            return true;
        start = end + 1;
    }
    return false;
}

// A name refused as "not a folder" that is a link is reported as the link it is.
int failWithLinkError(int folder, const char* name)
{
    const int error = errno;
    struct stat st;
    errno = error == ENOTDIR && ::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode) ? ELOOP
                                                                                                              : error;
    return -1;
}

// Each step opens one name without following it and checks that what it got is a folder, so
// a link anywhere in the path ends the walk instead of leading elsewhere.
int walkComponents(int rootFd, std::string_view relative, int flags)
{
    UniqueFd current(::fcntl(rootFd, F_DUPFD_CLOEXEC, 0));
    if (!current.valid())
        return -1;
    const size_t lastSlash = relative.rfind('/');
    const std::string_view folders =
        lastSlash == std::string_view::npos ? std::string_view() : relative.substr(0, lastSlash);
    const std::string_view last = lastSlash == std::string_view::npos ? relative : relative.substr(lastSlash + 1);
    size_t start = 0;
    while (start < folders.size()) {
        const size_t end = std::min(folders.find('/', start), folders.size());
        const std::string name(folders.substr(start, end - start));
        start = end + 1;
        if (name.empty() || name == ".")
            continue;
        UniqueFd next(::openat(current.get(), name.c_str(), kStepFlags));
        if (!next.valid())
            return failWithLinkError(current.get(), name.c_str());
        struct stat st;
        if (::fstat(next.get(), &st) != 0)
            return -1;
        if (S_ISLNK(st.st_mode)) {
            errno = ELOOP;
            return -1;
        }
        if (!S_ISDIR(st.st_mode)) {
            errno = ENOTDIR;
            return -1;
        }
        current = std::move(next);
    }
    const std::string name = last.empty() ? std::string(".") : std::string(last);
    const int fd = ::openat(current.get(), name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC);
    return fd >= 0 ? fd : failWithLinkError(current.get(), name.c_str());
}

} // namespace

int openBeneath(int rootFd, std::string_view relative, int flags, ResolveMethod method)
{
    while (!relative.empty() && relative.back() == '/')
        relative.remove_suffix(1);
    if (hasForbiddenComponent(relative)) {
        errno = EXDEV;
        return -1;
    }
#if defined(__linux__) && defined(SYS_openat2)
    if (method == ResolveMethod::automatic) {
        const std::string path = relative.empty() ? std::string(".") : std::string(relative);
        struct open_how how = {};
        how.flags = static_cast<__u64>(flags | O_NOFOLLOW | O_CLOEXEC);
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        const long fd = ::syscall(SYS_openat2, rootFd, path.c_str(), &how, sizeof how);
        // A kernel (or a container's filter) without openat2 answers ENOSYS or EPERM: walk.
        // ENOTDIR is also what a link at the end gets with O_DIRECTORY: the walk tells it apart.
        if (fd >= 0 || (errno != ENOSYS && errno != EPERM && errno != E2BIG && errno != ENOTDIR))
            return static_cast<int>(fd);
    }
#endif
    return walkComponents(rootFd, relative, flags);
}

} // namespace Sweepora::Core
