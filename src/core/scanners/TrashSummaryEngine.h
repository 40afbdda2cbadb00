#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace Sweepora::Core {

// An error as the platform reports it: a domain, a code, a description and possibly the
// lower-level error that caused it (a file-read error wrapping the errno, for instance).
struct TrashReadError
{
    static inline const QString kCocoaDomain = QStringLiteral("NSCocoaErrorDomain");
    static inline const QString kPosixDomain = QStringLiteral("NSPOSIXErrorDomain");
    static constexpr int kFileReadNoPermission = 257;
    static constexpr int kFileReadNoSuchFile = 260;
    static constexpr int kFileReadUnknown = 256;

    QString domain;
    int code = 0;
    QString description;
    std::shared_ptr<const TrashReadError> underlying;

    // A file-read error of the Cocoa domain wrapping the POSIX error `errnoCode`.
    static TrashReadError fromErrno(int errnoCode, const QString& description);
};

// Counts the Trash for its summary card. Plain functions, no access checks.
namespace TrashSummaryEngine {

struct Count
{
    bool exists = false;                 // there is a Trash folder
    std::optional<TrashReadError> error; // it exists but could not be listed
    int itemCount = 0;                   // entries directly inside, hidden ones too
    qint64 totalSize = 0;                // allocated sizes of every regular file below

    bool isAvailable() const { return exists && !error; }
};

// The system refused to let us read: a file-read permission error, "operation not permitted"
// or "permission denied", or any error caused (at any depth) by one of those.
bool isPermissionError(const TrashReadError& error);

// Counts `trashFolder`. A listing that fails is logged as
// "[TrashSummary] 读取 Finder 废纸篓失败：<path>，<error>"; a missing folder is not.
Count countTrash(const QString& trashFolder);

// "[TrashSummary] Finder 废纸篓读取成功：<path>，<n> 项，<bytes> 字节"
QString successLine(const QString& trashFolder, const Count& count);

} // namespace TrashSummaryEngine
} // namespace Sweepora::Core
