#include "core/scanners/TrashSummaryEngine.h"

#include "core/platform/Log.h"
#include "core/trash/TrashContents.h"

#include <cerrno>

namespace Sweepora::Core {

TrashReadError TrashReadError::fromErrno(int errnoCode, const QString& description)
{
    TrashReadError posix{kPosixDomain, errnoCode, qt_error_string(errnoCode), nullptr};
    int code = kFileReadUnknown;
    if (errnoCode == EACCES)
        code = kFileReadNoPermission;
    else if (errnoCode == ENOENT || errnoCode == ENOTDIR)
        code = kFileReadNoSuchFile;
    return {kCocoaDomain, code, description, std::make_shared<const TrashReadError>(std::move(posix))};
}

namespace TrashSummaryEngine {

bool isPermissionError(const TrashReadError& error)
{
    if (error.domain == TrashReadError::kCocoaDomain && error.code == TrashReadError::kFileReadNoPermission)
        return true;
    if (error.domain == TrashReadError::kPosixDomain && (error.code == EPERM || error.code == EACCES))
        return true;
    return error.underlying != nullptr && isPermissionError(*error.underlying);
}

Count countTrash(const QString& trashFolder)
{
    const TrashContents contents = TrashContents::list(trashFolder);
    Count count;
    if (!contents.readable) {
        if (contents.errorCode == ENOENT || contents.errorCode == ENOTDIR)
            return count;
        count.exists = true;
        count.error = TrashReadError::fromErrno(contents.errorCode, contents.error);
        Log::line(QStringLiteral("[TrashSummary] 读取 Finder 废纸篓失败：") + trashFolder + QStringLiteral("，") +
                  contents.error);
        return count;
    }
    count.exists = true;
    count.itemCount = contents.itemCount();
    count.totalSize = contents.totalSize;
    return count;
}

QString successLine(const QString& trashFolder, const Count& count)
{
    return QStringLiteral("[TrashSummary] Finder 废纸篓读取成功：%1，%2 项，%3 字节")
        .arg(trashFolder, QString::number(count.itemCount), QString::number(count.totalSize));
}

} // namespace TrashSummaryEngine
} // namespace Sweepora::Core
