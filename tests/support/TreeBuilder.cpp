#include "support/TreeBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Test {
namespace {

bool writeData(int fd, qint64 bytes)
{
    std::vector<char> chunk(65536, 'x');
    while (bytes > 0) {
        const size_t n = static_cast<size_t>(qMin<qint64>(bytes, static_cast<qint64>(chunk.size())));
        const ssize_t written = ::write(fd, chunk.data(), n);
        if (written <= 0)
            return false;
        bytes -= written;
    }
    return true;
}

// Byte by byte: QDir would re-encode a name that is not valid UTF-8.
void makeParents(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0755);
}

bool removeAt(int parentFd, const char* name)
{
    if (::unlinkat(parentFd, name, 0) == 0)
        return true;
    if (errno != EISDIR && errno != EPERM)
        return errno == ENOENT;
    ::fchmodat(parentFd, name, 0700, 0); // fixtures make unreadable folders
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return false;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    bool ok = true;
    for (const std::string& n : names)
        ok = removeAt(::dirfd(dir), n.c_str()) && ok;
    ::closedir(dir);
    return ::unlinkat(parentFd, name, AT_REMOVEDIR) == 0 && ok;
}

} // namespace

TreeBuilder::TreeBuilder(const QString& root) : m_root(QDir::cleanPath(root))
{}

QString TreeBuilder::path(const QString& relative) const
{
    return relative.isEmpty() ? m_root : m_root + QLatin1Char('/') + relative;
}

std::string TreeBuilder::bytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString TreeBuilder::folder(const QString& relative)
{
    const QString p = path(relative);
    makeParents(bytes(p) + "/");
    struct stat st;
    if (::stat(bytes(p).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        ADD_FAILURE() << "cannot make folder " << p.toStdString();
    return p;
}

std::string TreeBuilder::fileBytes(const std::string& relative, qint64 size)
{
    const std::string p = bytes(m_root) + "/" + relative;
    makeParents(p);
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || !writeData(fd, size))
        ADD_FAILURE() << "cannot write " << p << ": " << std::strerror(errno);
    if (fd >= 0)
        ::close(fd);
    return p;
}

QString TreeBuilder::file(const QString& relative, qint64 size)
{
    return QFile::decodeName(QByteArray::fromStdString(fileBytes(bytes(relative), size)));
}

QString TreeBuilder::filledFile(const QString& relative, qint64 bytes, char fill, qint64 mtime)
{
    const QString p = path(relative);
    makeParents(TreeBuilder::bytes(p));
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly) || f.write(QByteArray(bytes, fill)) != bytes)
        ADD_FAILURE() << "cannot write " << p.toStdString();
    f.close();
    const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    if (mtime > 0 && ::utimensat(AT_FDCWD, TreeBuilder::bytes(p).c_str(), times, 0) != 0)
        ADD_FAILURE() << "cannot date " << p.toStdString();
    return p;
}

QString TreeBuilder::sparseFile(const QString& relative, qint64 logicalSize, qint64 dataBytes)
{
    const QString p = file(relative, dataBytes);
    if (::truncate(bytes(p).c_str(), logicalSize) != 0)
        ADD_FAILURE() << "cannot extend " << p.toStdString();
    return p;
}

QString TreeBuilder::write(const QString& path, const QByteArray& data, bool executable)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    f.close();
    if (executable)
        f.setPermissions(f.permissions() | QFile::ExeOwner);
    return path;
}

QString TreeBuilder::symlink(const QString& relative, const QString& target)
{
    const QString p = path(relative);
    makeParents(bytes(p));
    if (::symlink(bytes(target).c_str(), bytes(p).c_str()) != 0)
        ADD_FAILURE() << "cannot link " << p.toStdString();
    return p;
}

void TreeBuilder::chmod(const QString& relative, int mode)
{
    if (::chmod(bytes(path(relative)).c_str(), static_cast<mode_t>(mode)) != 0)
        ADD_FAILURE() << "cannot chmod " << relative.toStdString();
}

std::string TreeBuilder::deepChain(const QString& relative, const std::string& name, int levels,
                                   const std::string& leafFile)
{
    std::string p = bytes(folder(relative));
    int fd = ::open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < levels && fd >= 0; ++i) {
        if (::mkdirat(fd, name.c_str(), 0755) != 0 && errno != EEXIST)
            ADD_FAILURE() << "mkdirat: " << std::strerror(errno);
        const int child = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = child;
        p += "/" + name;
    }
    if (fd < 0) {
        ADD_FAILURE() << "cannot build the chain";
        return p;
    }
    if (!leafFile.empty()) {
        const int file = ::openat(fd, leafFile.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (file < 0)
            ADD_FAILURE() << "cannot make " << leafFile << " at the bottom of the chain";
        else
            ::close(file);
    }
    ::close(fd);
    return p;
}

bool TreeBuilder::removeTree(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = removeAt(fd, path.c_str() + slash + 1);
    ::close(fd);
    return ok;
}

qint64 TreeBuilder::allocatedBytes(const QString& path)
{
    struct stat st;
    return ::lstat(bytes(path).c_str(), &st) == 0 ? qint64(st.st_blocks) * 512 : -1;
}

std::optional<qint64> TreeBuilder::birthMSecs(const QString& path)
{
    struct statx sx;
    if (::statx(AT_FDCWD, bytes(path).c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) != 0 ||
        !(sx.stx_mask & STATX_BTIME))
        return std::nullopt;
    return qint64(sx.stx_btime.tv_sec) * 1000 + sx.stx_btime.tv_nsec / 1'000'000;
}

} // namespace Sweepora::Test
