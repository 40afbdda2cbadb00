#include "cli/FolderArgument.h"

#include "core/platform/PathBytes.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Cli {

QString unusableFolder(const QString& path)
{
    const QByteArray bytes = Core::bytesFromPath(path);
    struct stat st;
    if (::lstat(bytes.constData(), &st) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("not a folder");
    if (::access(bytes.constData(), R_OK | X_OK) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

} // namespace Sweepora::Cli
