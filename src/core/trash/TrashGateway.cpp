#include "trash/TrashGateway.h"

#include "platform/Log.h"
#include "platform/Sandbox.h"
#include "trash/ProtectedPlaces.h"
#include "trash/Trash.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace Sweepora::Core::TrashGateway {
namespace {

bool isKind(mode_t mode, EntryKind kind)
{
    switch (kind) {
    case EntryKind::Regular:
        return S_ISREG(mode);
    case EntryKind::Directory:
        return S_ISDIR(mode);
    case EntryKind::Symlink:
        return S_ISLNK(mode);
    case EntryKind::Other:
        return !S_ISREG(mode) && !S_ISDIR(mode) && !S_ISLNK(mode);
    }
    return false;
}

QString openFailure(int error)
{
    switch (error) {
    case EPERM:
        return kOutsideScope;
    case ELOOP:
    case ENOTDIR:
    case EXDEV:
        return kLinkOnTheWay;
    case ENOENT:
        return kGone;
    default:
        return qt_error_string(error);
    }
}

// The item's folder opened from its scope, and the entry in it checked against the scan.
struct Resolved
{
    Sandbox::Parent parent;
    QString refusal;
};

Resolved resolve(const TrashItem& item, const TrashRequest& request, const ProtectedPlaces& protectedPlaces)
{
    Resolved r;
    const ItemIdentity& scanned = item.identity;
    if (protectedPlaces.isProtected(item.path)) {
        r.refusal = kProtected;
        return r;
    }
    if (!scanned.known) {
        r.refusal = kUnknown;
        return r;
    }
    r.parent = Sandbox::openParent(item.path, Sandbox::Access::Modify);
    if (!r.parent.parent.valid()) {
        r.refusal = openFailure(r.parent.error);
        return r;
    }
    const int folder = r.parent.parent.get();
    struct stat st;
    // The folder must be the one the scan walked through: a folder put in its place holds a
    // file that only looks the same (inode numbers are reused).
    if (::fstat(folder, &st) != 0 || static_cast<quint64>(st.st_dev) != scanned.parentDevice ||
        static_cast<quint64>(st.st_ino) != scanned.parentInode) {
        r.refusal = kFolderReplaced;
        return r;
    }
    if (::fstatat(folder, r.parent.name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        r.refusal = errno == ENOENT ? kGone : qt_error_string(errno);
        return r;
    }
    if (!isKind(st.st_mode, scanned.kind)) {
        r.refusal = S_ISLNK(st.st_mode) ? kBecameLink : kReplaced;
        return r;
    }
    if (static_cast<quint64>(st.st_dev) != scanned.device || static_cast<quint64>(st.st_ino) != scanned.inode) {
        r.refusal = kReplaced;
        return r;
    }
    if (request.sizeIsIdentity && S_ISREG(st.st_mode) && static_cast<qint64>(st.st_size) != scanned.logicalSize) {
        r.refusal = kResized;
        return r;
    }
    if (request.mustStay)
        r.refusal = request.mustStay(folder, r.parent.name);
    return r;
}

} // namespace

QString check(const TrashItem& item, const TrashRequest& request)
{
    return resolve(item, request, ProtectedPlaces::current()).refusal;
}

TrashBatchResult moveToTrash(const QList<TrashItem>& items, const TrashRequest& request)
{
    TrashBatchResult result;
    const ProtectedPlaces protectedPlaces = ProtectedPlaces::current();
    Trash& trash = Trash::current();
    const auto fail = [&](const QString& path, const QString& error, int errorCode = 0) {
        result.failed.append({path, error, errorCode});
        Log::line(request.texts.logTag + QStringLiteral(" 移到废纸篓失败：") + path + QStringLiteral("，") + error);
    };
    for (const TrashItem& item : items) {
        const Resolved r = resolve(item, request, protectedPlaces);
        if (!r.refusal.isEmpty()) {
            fail(item.path, r.refusal);
            continue;
        }
        // Moved relative to the folder just checked: a link put on the path meanwhile changes nothing.
        const Trash::Result moved =
            trash.trashItem({r.parent.parent.get(), r.parent.name, item.path, r.parent.realPath});
        if (moved.ok)
            result.moved.append(item.path);
        else
            fail(item.path, moved.error, moved.errorCode);
    }
    const QString& shape = result.moved.size() == items.size() ? request.texts.allMoved : request.texts.partial;
    result.message = QString(shape)
                         .replace(QLatin1String("{n}"), QString::number(result.moved.size()))
                         .replace(QLatin1String("{failed}"), QString::number(result.failed.size()));
    return result;
}

} // namespace Sweepora::Core::TrashGateway
