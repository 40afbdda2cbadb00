#include "core/trash/FreedesktopTrash.h"

#include "core/fs/PrivateFolders.h"
#include "core/fs/ResolveBeneath.h"
#include "core/fs/UniqueFd.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace Sweepora::Core {
namespace {

constexpr char kInfoSuffix[] = ".trashinfo";
constexpr int kInfoSuffixLength = sizeof(kInfoSuffix) - 1;
constexpr int kSequentialAttempts = 64;

using Fd = UniqueFd;

// Which side of the move failed decides what the user is told.
enum class Side { item, trash };

QString describe(int code, Side side)
{
    if (side == Side::item) {
        switch (code) {
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("项目不存在");
        case EACCES:
        case EPERM:
            return QStringLiteral("没有权限移动此项目");
        case EROFS:
            return QStringLiteral("项目所在的文件系统是只读的");
        case EBUSY:
            return QStringLiteral("项目正在使用中");
        case ENAMETOOLONG:
            return QStringLiteral("路径过长");
        case EXDEV:
            return QStringLiteral("项目所在的卷没有可用的废纸篓");
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("磁盘空间不足");
        default:
            return QStringLiteral("无法移到废纸篓");
        }
    }
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("找不到废纸篓所在的文件夹");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限写入废纸篓");
    case EROFS:
        return QStringLiteral("废纸篓所在的文件系统是只读的");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁盘空间不足");
    default:
        return QStringLiteral("无法写入废纸篓");
    }
}

Trash::Result failure(int code, Side side)
{
    return {false, describe(code, side) + QStringLiteral("（%1）").arg(qt_error_string(code)), {}, code};
}

Trash::Result failure(int code, const QString& text)
{
    return {false, text, {}, code};
}

Trash::Result noUsableTrash(int code)
{
    const QString text = QStringLiteral("项目所在的卷没有可用的废纸篓");
    if (code == 0)
        return failure(EXDEV, text);
    return failure(code, text + QStringLiteral("（%1）").arg(qt_error_string(code)));
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens the folder `name` below `parent` without following a symbolic link, creating it
// (private to the user) when it is missing. Sets `error` on failure.
Fd openOrCreateDirectory(int parent, const char* name, int* error)
{
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    Fd fd(::openat(parent, name, flags));
    if (!fd.valid() && errno == ENOENT) {
        if (::mkdirat(parent, name, 0700) != 0 && errno != EEXIST) {
            *error = errno;
            return {};
        }
        fd = Fd(::openat(parent, name, flags));
    }
    if (!fd.valid())
        *error = errno;
    return fd;
}

// A per-user folder in a shared place counts only when it is a real folder that the user owns
// on the item's device: otherwise another user could read what is trashed there.
Fd openOwnDirectory(int parent, const char* name, dev_t device, int* error)
{
    Fd fd = openOrCreateDirectory(parent, name, error);
    if (!fd.valid())
        return {};
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) {
        *error = errno;
        return {};
    }
    if (st.st_uid != ::geteuid() || st.st_dev != device) {
        *error = 0;
        return {};
    }
    return fd;
}

bool writeAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// rename() that never replaces an existing entry.
int renameNoReplace(int fromDir, const char* from, int toDir, const char* to)
{
#ifdef __linux__
    if (::renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
#endif
    // The file system cannot refuse to replace; the name was reserved by its info file, so an
    // entry appears there only if something outside the standard put it there: look first.
    struct stat st;
    if (::fstatat(toDir, to, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return -1;
    }
    if (errno != ENOENT)
        return -1;
    return ::renameat(fromDir, from, toDir, to);
}

// A complete info file under a name that no reader of the trash lists (they read only
// "*.trashinfo"), until it is published under its entry's name. Removed when it goes out of
// scope; only a killed process leaves one behind, and nothing reads it.
class TemporaryInfo
{
public:
    explicit TemporaryInfo(int infoFolder) : m_folder(infoFolder) {}
    ~TemporaryInfo()
    {
        if (exists())
            ::unlinkat(m_folder, m_name.constData(), 0);
    }
    TemporaryInfo(const TemporaryInfo&) = delete;
    TemporaryInfo& operator=(const TemporaryInfo&) = delete;

    bool exists() const { return !m_name.isEmpty(); }
    int error() const { return m_error; }

    bool write(const QByteArray& content)
    {
        for (int attempt = 0; attempt < kTemporaryAttempts && !exists(); ++attempt) {
            const QByteArray name =
                ".sweepora-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
            const int fd =
                ::openat(m_folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0) {
                if (errno == EEXIST)
                    continue;
                m_error = errno;
                return false;
            }
            m_name = name;
            // A full disk shows up here or at close(); then nothing has moved yet. The content
            // reaches the disk at settle(), for many records at once.
            bool written = writeAll(fd, content);
            m_error = errno;
            if (::close(fd) != 0 && written) {
                written = false;
                m_error = errno;
            }
            if (!written) {
                ::unlinkat(m_folder, m_name.constData(), 0);
                m_name.clear();
                return false;
            }
        }
        if (!exists())
            m_error = EEXIST;
        return exists();
    }

    // Gives the complete file the name `infoName` without replacing anything there: a hard
    // link, or where the file system has none (FAT), a rename that uses the temporary up.
    bool publishAs(const QByteArray& infoName)
    {
        if (::linkat(m_folder, m_name.constData(), m_folder, infoName.constData(), 0) == 0)
            return true;
        if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
            m_error = errno;
            return false;
        }
        if (renameNoReplace(m_folder, m_name.constData(), m_folder, infoName.constData()) != 0) {
            m_error = errno;
            return false;
        }
        m_name.clear();
        return true;
    }

private:
    static constexpr int kTemporaryAttempts = 16;
    int m_folder;
    QByteArray m_name;
    int m_error = 0;
};

QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// The mount point of the file system that holds `canonicalFolder`.
QByteArray topDirectory(const QByteArray& canonicalFolder, dev_t device)
{
    QByteArray current = canonicalFolder;
    while (current != "/") {
        const QByteArray up = parentOf(current);
        struct stat st;
        if (::stat(up.constData(), &st) != 0 || st.st_dev != device)
            break;
        current = up;
    }
    return current;
}

// A trash folder ready to receive one item.
struct Destination
{
    Fd root;
    Fd files;
    Fd info;
    QByteArray rootPath;
    QByteArray location; // the Path= value before encoding
};

// The volume's trash: $topdir/.Trash/$uid when $topdir/.Trash is a real sticky folder,
// else $topdir/.Trash-$uid.
std::optional<Trash::Result> findVolumeTrash(const QByteArray& parent, const QByteArray& name,
                                             const struct stat& parentSt, dev_t device, Destination* destination)
{
    if (parentSt.st_dev != device) // the item is itself a mount point
        return failure(EBUSY, Side::item);
    // The gateway resolved the parent without links: its path is already the real one.
    const QByteArray& canonicalParent = parent;
    const QByteArray topdir = topDirectory(canonicalParent, device);
    Fd top(::open(topdir.constData(), kPathOnly | O_DIRECTORY | O_CLOEXEC));
    if (!top.valid())
        return noUsableTrash(errno);
    const QByteArray uid = QByteArray::number(static_cast<qulonglong>(::getuid()));
    const QByteArray base = topdir == "/" ? QByteArray() : topdir;

    int error = 0;
    Fd shared(::openat(top.get(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (shared.valid() && ::fstat(shared.get(), &st) == 0 && (st.st_mode & S_ISVTX) != 0 && st.st_dev == device) {
        destination->root = openOwnDirectory(shared.get(), uid.constData(), device, &error);
        destination->rootPath = base + "/.Trash/" + uid;
    }
    if (!destination->root.valid()) {
        const QByteArray own = ".Trash-" + uid;
        destination->root = openOwnDirectory(top.get(), own.constData(), device, &error);
        destination->rootPath = base + '/' + own;
    }
    if (!destination->root.valid())
        return noUsableTrash(error);

    const QByteArray full = (canonicalParent == "/" ? QByteArray() : canonicalParent) + '/' + name;
    destination->location = full.mid(base.size() + 1);
    return std::nullopt;
}

std::optional<Trash::Result> findHomeTrash(const QByteArray& dataHome, const QByteArray& itemPath,
                                           const struct stat& item, Destination* destination, bool* elsewhere)
{
    if (dataHome.isEmpty() || !dataHome.startsWith('/'))
        return failure(ENOENT, Side::trash);
    // Made private to the user where it is missing, as the XDG base directories ask.
    Fd data(openOrMakePrivateFolders(dataHome));
    if (!data.valid())
        return failure(errno, Side::trash);
    // The home trash serves the device that it lives on; the folder may not exist yet.
    struct stat st;
    if (::fstatat(data.get(), "Trash", &st, AT_SYMLINK_NOFOLLOW) != 0 && ::fstat(data.get(), &st) != 0)
        return failure(errno, Side::trash);
    if (st.st_dev != item.st_dev) {
        *elsewhere = true;
        return std::nullopt;
    }
    int error = 0;
    destination->root = openOrCreateDirectory(data.get(), "Trash", &error);
    if (!destination->root.valid())
        return failure(error, Side::trash);
    destination->rootPath = dataHome + "/Trash";
    destination->location = itemPath;
    return std::nullopt;
}

} // namespace

FreedesktopTrash::FreedesktopTrash(QString dataHome) : m_dataHome(std::move(dataHome))
{}

QByteArray FreedesktopTrash::trashInfo(const QByteArray& location, const QDateTime& deletionDate)
{
    // RFC 2396 escaping of the raw bytes: only unreserved characters and '/' stay as they are,
    // so '%', spaces, newlines and bytes that are not UTF-8 all survive a reader's decoding.
    return "[Trash Info]\nPath=" + location.toPercentEncoding("/") +
           "\nDeletionDate=" + deletionDate.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1() + '\n';
}

QByteArray FreedesktopTrash::candidateName(const QByteArray& name, int attempt, int maxLength)
{
    QByteArray suffix;
    if (attempt > 0 && attempt < kSequentialAttempts)
        suffix = '.' + QByteArray::number(attempt + 1);
    else if (attempt >= kSequentialAttempts)
        suffix = '.' + QByteArray::number(QRandomGenerator::global()->generate(), 16);
    QByteArray stem = name;
    if (stem.size() + suffix.size() > maxLength) {
        qsizetype cut = qMax<qsizetype>(1, maxLength - suffix.size());
        // Do not split a UTF-8 character: a sequence is at most four bytes.
        for (int back = 0; back < 3 && cut > 1 && (static_cast<unsigned char>(stem.at(cut)) & 0xC0) == 0x80; ++back)
            --cut;
        stem.truncate(cut);
    }
    return stem + suffix;
}

Trash::Result FreedesktopTrash::trashItem(const Item& request)
{
    const QByteArray& name = request.name;
    if (request.parentFd < 0 || name.isEmpty() || name == "." || name == ".." || name.contains('/') ||
        !request.realPath.startsWith('/'))
        return failure(ENOENT, Side::item);
    const QByteArray& itemPath = request.realPath;
    const QByteArray parent = parentOf(itemPath);
    const int parentFd = request.parentFd;
    struct stat item;
    struct stat parentSt;
    if (::fstatat(parentFd, name.constData(), &item, AT_SYMLINK_NOFOLLOW) != 0 || ::fstat(parentFd, &parentSt) != 0)
        return failure(errno, Side::item);

    const QString dataHomePath = m_dataHome.isEmpty() ? PlatformLayout::current().dataHome : m_dataHome;
    Destination destination;
    bool elsewhere = false;
    if (auto failed = findHomeTrash(bytesFromPath(dataHomePath), itemPath, item, &destination, &elsewhere))
        return *failed;
    if (elsewhere) {
        if (auto failed = findVolumeTrash(parent, name, parentSt, item.st_dev, &destination))
            return *failed;
    }

    int error = 0;
    destination.info = openOrCreateDirectory(destination.root.get(), "info", &error);
    if (!destination.info.valid())
        return failure(error, Side::trash);
    destination.files = openOrCreateDirectory(destination.root.get(), "files", &error);
    if (!destination.files.valid())
        return failure(error, Side::trash);

    struct stat rootSt;
    struct stat filesSt;
    struct stat infoSt;
    if (::fstat(destination.root.get(), &rootSt) != 0 || ::fstat(destination.files.get(), &filesSt) != 0 ||
        ::fstat(destination.info.get(), &infoSt) != 0)
        return failure(errno, Side::trash);
    if (filesSt.st_dev != item.st_dev)
        return noUsableTrash(0);
    // Moving the trash's own folders, or what lies directly in them, would break its index.
    for (const struct stat* own : {&rootSt, &filesSt, &infoSt}) {
        if (sameFile(item, *own) || sameFile(parentSt, *own))
            return failure(EINVAL, QStringLiteral("此项目已在废纸篓中"));
    }

    const long nameMax = ::fpathconf(destination.info.get(), _PC_NAME_MAX);
    const int maxStem = static_cast<int>(nameMax > 0 ? nameMax : 255) - kInfoSuffixLength;
    const QByteArray info = trashInfo(destination.location, QDateTime::currentDateTime());

    // The info file is written in full under a temporary name first and only then linked to
    // its entry's name, so that a kill or a full disk never leaves an empty or cut-off one.
    TemporaryInfo temporary(destination.info.get());
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        if (!temporary.exists() && !temporary.write(info))
            return failure(temporary.error(), Side::trash);
        const QByteArray candidate = candidateName(name, attempt, maxStem);
        const QByteArray infoName = candidate + kInfoSuffix;
        if (!temporary.publishAs(infoName)) {
            if (temporary.error() == EEXIST)
                continue;
            return failure(temporary.error(), Side::trash);
        }
        if (renameNoReplace(parentFd, name.constData(), destination.files.get(), candidate.constData()) == 0) {
            noteUnsettled(destination.info.get());
            return {true, {}, pathFromBytes(destination.rootPath + "/files/" + candidate), 0};
        }
        const int moveError = errno;
        ::unlinkat(destination.info.get(), infoName.constData(), 0);
        if (moveError == EEXIST) // a stray entry in files/ without an info file
            continue;
        return failure(moveError, Side::item);
    }
    return failure(EEXIST, QStringLiteral("废纸篓中同名项目过多"));
}

void FreedesktopTrash::noteUnsettled(int infoFolder)
{
    struct stat st;
    if (::fstat(infoFolder, &st) != 0)
        return;
    std::lock_guard lock(m_mutex);
    for (const auto& [device, fd] : m_unsettled)
        if (device == st.st_dev)
            return;
    m_unsettled.emplace_back(st.st_dev, UniqueFd(::fcntl(infoFolder, F_DUPFD_CLOEXEC, 0)));
}

void FreedesktopTrash::settle()
{
    std::vector<std::pair<dev_t, UniqueFd>> unsettled;
    {
        std::lock_guard lock(m_mutex);
        unsettled.swap(m_unsettled);
    }
    for (const auto& [device, fd] : unsettled) {
        if (!fd.valid())
            continue;
#ifdef __linux__
        ::syncfs(fd.get());
#else
        ::fsync(fd.get());
#endif
    }
}

} // namespace Sweepora::Core
