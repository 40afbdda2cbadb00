#pragma once

#include <string_view>

#include <fcntl.h>

namespace Sweepora::Core {

// A descriptor that names a folder without reading it, where the system has O_PATH.
#ifdef O_PATH
inline constexpr int kPathOnly = O_PATH;
#else
inline constexpr int kPathOnly = O_RDONLY;
#endif

// How a path below a folder descriptor is resolved: by the kernel's openat2() where it has
// one, else one component at a time. Tests force the second to check it too.
enum class ResolveMethod { automatic, componentWalk };

// Opens `relative` ("a/b/c", no leading slash; empty names the folder itself) below the folder
// `rootFd` with `flags` (O_CLOEXEC is added), never following a symbolic link in any
// component, the last included, and never leaving the folder: "..", magic links and absolute
// paths are refused. Returns the descriptor, or -1 with errno set (ELOOP where a component is
// a link, ENOTDIR where it is not a folder, EXDEV where the path would leave the folder).
int openBeneath(int rootFd, std::string_view relative, int flags, ResolveMethod method = ResolveMethod::automatic);

} // namespace Sweepora::Core
