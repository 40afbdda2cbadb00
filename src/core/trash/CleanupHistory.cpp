#include "core/trash/CleanupHistory.h"

#include "core/fs/ResolveBeneath.h"
#include "core/fs/UniqueFd.h"
#include "core/platform/Log.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/sections/SectionTable.h"
#include "core/util/ByteCount.h"

#include <QSet>
#include <algorithm>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Core::CleanupHistory {
namespace {

using State = CleanupJournal::State;

QByteArray baseName(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QString parentPath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

bool sameItem(const struct stat& st, quint64 device, quint64 inode)
{
    return quint64(st.st_dev) == device && quint64(st.st_ino) == inode;
}

bool lstatIs(const QByteArray& path, quint64 device, quint64 inode)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && sameItem(st, device, inode);
}

// The Trash's own folders are ours to trust, but never through a link in their last step.
UniqueFd openTrashFolder(const QByteArray& path)
{
    return UniqueFd(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

QString describe(int error)
{
    switch (error) {
    case EPERM:
    case EACCES:
        return QStringLiteral("没有权限写入原位置");
    case ELOOP:
    case ENOTDIR:
    case EXDEV:
        return QStringLiteral("原位置的路径中有符号链接，已拒绝");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁盘空间不足");
    case EROFS:
        return QStringLiteral("原位置所在的文件系统是只读的");
    default:
        return QStringLiteral("无法恢复（%1）").arg(qt_error_string(error));
    }
}

// Makes sure the folder `path` exists inside its scope, creating missing ones from the nearest
// existing folder down, each relative to the descriptor of the one above it.
int ensureFolder(const QString& path, int depth = 0)
{
    if (depth > 256)
        return ELOOP;
    UniqueFd existing = Sandbox::openFolder(path, Sandbox::Access::modify, kPathOnly | O_DIRECTORY | O_CLOEXEC);
    if (existing.valid())
        return 0;
    if (errno != ENOENT)
        return errno;
    Sandbox::Parent parent = Sandbox::openParent(path, Sandbox::Access::modify);
    if (!parent.parent.valid() && parent.error == ENOENT) {
        if (const int error = ensureFolder(parentPath(path), depth + 1))
            return error;
        parent = Sandbox::openParent(path, Sandbox::Access::modify);
    }
    if (!parent.parent.valid())
        return parent.error;
    // Private until the user says otherwise: the original mode is not known.
    if (::mkdirat(parent.parent.get(), parent.name.constData(), 0700) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

// Removes `name` in `folder` and everything below it, never following a link.
bool removeTree(int folder, const char* name, qint64* freed)
{
    struct stat st;
    if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) {
        if (::unlinkat(folder, name, 0) != 0)
            return false;
        if (S_ISREG(st.st_mode))
            *freed += st.st_size;
        return true;
    }
    UniqueFd dir(::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir.valid())
        return false;
    // A folder in the Trash may have been made unwritable; it is ours, so open it up.
    if ((st.st_mode & S_IRWXU) != S_IRWXU)
        ::fchmod(dir.get(), st.st_mode | S_IRWXU);
    DIR* stream = ::fdopendir(::dup(dir.get()));
    if (!stream)
        return false;
    QList<QByteArray> names;
    while (const dirent* e = ::readdir(stream)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.append(QByteArray(e->d_name));
    }
    ::closedir(stream);
    bool ok = true;
    for (const QByteArray& child : names)
        ok = removeTree(dir.get(), child.constData(), freed) && ok;
    return ::unlinkat(folder, name, AT_REMOVEDIR) == 0 && ok;
}

qint64 treeSize(int folder, const char* name)
{
    struct stat st;
    if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;
    if (S_ISREG(st.st_mode))
        return st.st_size;
    if (!S_ISDIR(st.st_mode))
        return 0;
    UniqueFd dir(::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir.valid())
        return 0;
    DIR* stream = ::fdopendir(::dup(dir.get()));
    if (!stream)
        return 0;
    QList<QByteArray> names;
    while (const dirent* e = ::readdir(stream)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.append(QByteArray(e->d_name));
    }
    ::closedir(stream);
    qint64 total = 0;
    for (const QByteArray& child : names)
        total += treeSize(dir.get(), child.constData());
    return total;
}

QByteArray homeTrash()
{
    return bytesFromPath(PlatformLayout::current().dataHome + QStringLiteral("/Trash"));
}

} // namespace

QString sectionTitle(const QString& section)
{
    const Section* row = sectionNamed(section);
    return row ? row->id : section;
}

bool refresh()
{
    const std::shared_ptr<CleanupJournal> journal = CleanupJournal::current();
    QList<CleanupJournal::Completion> changed;
    for (const CleanupJournal::Entry& e : journal->entriesInTrash()) {
        if (lstatIs(e.trash, e.device, e.inode))
            continue;
        // Put back by another program (its place holds it again), or removed from the Trash.
        const bool back = lstatIs(e.path, e.device, e.inode);
        changed.append({e.id, back ? State::restored : State::gone, {}, {}});
    }
    journal->complete(changed);
    return !changed.isEmpty();
}

QList<CleanupJournal::Batch> batches()
{
    return CleanupJournal::current()->batches();
}

QList<CleanupJournal::Entry> entries(qint64 batch)
{
    return CleanupJournal::current()->entries(batch);
}

qint64 lastRestorable()
{
    refresh();
    for (const CleanupJournal::Batch& b : batches())
        if (b.inTrash > 0)
            return b.id;
    return 0;
}

RestoreResult restore(qint64 batch, const QList<qint64>& items)
{
    const std::shared_ptr<CleanupJournal> journal = CleanupJournal::current();
    const QSet<qint64> only(items.begin(), items.end());
    RestoreResult result;
    QList<CleanupJournal::Completion> changed;
    const auto fail = [&](const QString& path, const QString& error, int code = 0) {
        result.failed.append({path, error, code});
        Log::line(QStringLiteral("[CleanupHistory] 恢复失败：") + path + QStringLiteral("，") + error);
    };
    for (const CleanupJournal::Entry& e : journal->entries(batch)) {
        if (!only.isEmpty() && !only.contains(e.id))
            continue;
        const QString path = pathFromBytes(e.path);
        if (e.state != State::inTrash) {
            if (e.state != State::restored)
                fail(path, kNotInTrash);
            continue;
        }
        const QByteArray filesPath = folderOf(e.trash);
        const QByteArray name = baseName(e.trash);
        const UniqueFd files = openTrashFolder(filesPath);
        struct stat st;
        if (!files.valid() || ::fstatat(files.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            const bool back = lstatIs(e.path, e.device, e.inode);
            changed.append({e.id, back ? State::restored : State::gone, {}, {}});
            if (!back)
                fail(path, kNotInTrash);
            continue;
        }
        // Another item under the same name is not ours to put there.
        if (!sameItem(st, e.device, e.inode)) {
            fail(path, kTrashEntryReplaced);
            continue;
        }
        Sandbox::Parent parent = Sandbox::openParent(path, Sandbox::Access::modify);
        if (!parent.parent.valid() && parent.error == ENOENT) {
            if (const int error = ensureFolder(parentPath(path))) {
                fail(path, describe(error), error);
                continue;
            }
            parent = Sandbox::openParent(path, Sandbox::Access::modify);
        }
        if (!parent.parent.valid()) {
            fail(path, describe(parent.error), parent.error);
            continue;
        }
        // Renamed back, never copied and never over something that took the place meanwhile.
        if (::renameat2(files.get(), name.constData(), parent.parent.get(), parent.name.constData(),
                        RENAME_NOREPLACE) != 0) {
            const int error = errno;
            fail(path, error == EEXIST ? kOccupied : describe(error), error);
            continue;
        }
        const QByteArray info = folderOf(filesPath) + "/info/" + name + ".trashinfo";
        ::unlink(info.constData());
        changed.append({e.id, State::restored, {}, {}});
        result.restored.append(path);
    }
    journal->complete(changed);
    result.message =
        result.failed.isEmpty()
            ? QStringLiteral("已恢复 %1 项").arg(result.restored.size())
            : QStringLiteral("已恢复 %1 项，%2 项未能恢复").arg(result.restored.size()).arg(result.failed.size());
    return result;
}

EmptyPlan planEmptying()
{
    QList<QByteArray> roots{homeTrash()};
    for (const CleanupJournal::Entry& e : CleanupJournal::current()->entriesInTrash()) {
        const QByteArray root = folderOf(folderOf(e.trash));
        if (!roots.contains(root))
            roots.append(root);
    }
    EmptyPlan plan;
    for (const QByteArray& root : roots) {
        const UniqueFd files = openTrashFolder(root + "/files");
        if (!files.valid())
            continue;
        DIR* stream = ::fdopendir(::dup(files.get()));
        if (!stream)
            continue;
        QList<QByteArray> names;
        while (const dirent* e = ::readdir(stream)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.append(QByteArray(e->d_name));
        }
        ::closedir(stream);
        std::sort(names.begin(), names.end());
        for (const QByteArray& name : names) {
            struct stat st;
            if (::fstatat(files.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            TrashEntry entry{root, name, quint64(st.st_dev), quint64(st.st_ino),
                             treeSize(files.get(), name.constData())};
            plan.size += entry.size;
            plan.entries.append(std::move(entry));
        }
    }
    plan.count = plan.entries.size();
    return plan;
}

EmptyResult empty(const EmptyPlan& plan, const std::function<void(qint64, qint64)>& progress)
{
    EmptyResult result;
    QSet<QByteArray> emptied;
    qint64 done = 0;
    for (const TrashEntry& entry : plan.entries) {
        const UniqueFd files = openTrashFolder(entry.root + "/files");
        struct stat st;
        const QString shown = pathFromBytes(entry.root + "/files/" + entry.name);
        if (!files.valid() || ::fstatat(files.get(), entry.name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            // Already gone: nothing to remove, nothing to report.
        } else if (!sameItem(st, entry.device, entry.inode)) {
            // Arrived after the count: the user did not agree to lose it.
        } else if (qint64 freed = 0; removeTree(files.get(), entry.name.constData(), &freed)) {
            ++result.removed;
            result.freed += freed;
            emptied.insert(entry.root + "/files/" + entry.name);
            ::unlink((entry.root + "/info/" + entry.name + ".trashinfo").constData());
        } else {
            const int error = errno;
            result.failed.append({shown, QStringLiteral("无法删除（%1）").arg(qt_error_string(error)), error});
            Log::line(QStringLiteral("[Trash] 清空失败：") + shown);
        }
        if (progress)
            progress(++done, plan.count);
    }
    const std::shared_ptr<CleanupJournal> journal = CleanupJournal::current();
    QList<CleanupJournal::Completion> changed;
    for (const CleanupJournal::Entry& e : journal->entriesInTrash())
        if (emptied.contains(e.trash))
            changed.append({e.id, State::emptied, {}, {}});
    journal->complete(changed);
    result.message = QStringLiteral("已清空废纸篓，释放 %1").arg(formattedByteCount(result.freed));
    if (!result.failed.isEmpty())
        result.message += QStringLiteral("，%1 项未能删除").arg(result.failed.size());
    return result;
}

} // namespace Sweepora::Core::CleanupHistory
