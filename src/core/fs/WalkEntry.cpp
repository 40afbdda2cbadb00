#include "core/fs/WalkEntry.h"

#include "core/platform/PathBytes.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace Sweepora::Core {
namespace {

#ifdef STATX_BTIME
// Kernels or sandboxes without statx answer ENOSYS; asked once, then fstatat serves.
bool statxAvailable()
{
    static const bool available = [] {
        struct statx sx;
        return ::statx(AT_FDCWD, "/", AT_SYMLINK_NOFOLLOW, STATX_TYPE, &sx) == 0 || errno != ENOSYS;
    }();
    return available;
}
#endif

} // namespace

void WalkEntry::readMetadata(int folderFd, const char* name, Metadata& m)
{
    m = Metadata();
#ifdef STATX_BTIME
    if (statxAvailable()) {
        struct statx sx;
        const unsigned mask = STATX_TYPE | STATX_MODE | STATX_INO | STATX_SIZE | STATX_BLOCKS | STATX_BTIME;
        if (::statx(folderFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_SYNC_AS_STAT, mask, &sx) == 0) {
            m.ok = true;
            m.mode = sx.stx_mode;
            m.size = static_cast<qint64>(sx.stx_size);
            m.identity = {static_cast<quint64>(makedev(sx.stx_dev_major, sx.stx_dev_minor)),
                          static_cast<quint64>(sx.stx_ino)};
            m.hasAllocated = (sx.stx_mask & STATX_BLOCKS) != 0;
            m.allocated = static_cast<qint64>(sx.stx_blocks) * 512;
            if (sx.stx_mask & STATX_BTIME) {
                m.hasBirthTime = true;
                m.birthMSecs = static_cast<qint64>(sx.stx_btime.tv_sec) * 1000 + sx.stx_btime.tv_nsec / 1'000'000;
            }
        }
        return;
    }
#endif
    struct stat st;
    if (::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    m.ok = true;
    m.mode = st.st_mode;
    m.size = static_cast<qint64>(st.st_size);
    m.identity = {static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
    m.hasAllocated = true;
    m.allocated = static_cast<qint64>(st.st_blocks) * 512;
#ifdef __APPLE__
    m.hasBirthTime = true;
    m.birthMSecs = static_cast<qint64>(st.st_birthtimespec.tv_sec) * 1000 + st.st_birthtimespec.tv_nsec / 1'000'000;
#endif
}

const WalkEntry::Metadata& WalkEntry::metadata() const
{
    if (!m_statted) {
        m_statted = true;
        // m_name points into the listing buffer, where the kernel NUL-terminates every name.
        readMetadata(m_folderFd, m_name.data(), m_metadata);
    }
    return m_metadata;
}

std::optional<WalkEntry::Identity> WalkEntry::folderIdentity() const
{
    if (m_folderIdentity != nullptr && *m_folderIdentity)
        return *m_folderIdentity;
    struct stat st;
    if (::fstat(m_folderFd, &st) != 0)
        return std::nullopt;
    const Identity id{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
    if (m_folderIdentity != nullptr)
        *m_folderIdentity = id;
    return id;
}

std::string WalkEntry::path() const
{
    std::string p;
    p.reserve(m_folderPath.size() + 1 + m_name.size());
    p.append(m_folderPath);
    p.push_back('/');
    p.append(m_name);
    return p;
}

QString WalkEntry::filePath() const
{
    const std::string p = path();
    // Lossless: a name that is not UTF-8 must still name its file when it reaches the Trash.
    return pathFromBytes(QByteArray::fromRawData(p.data(), static_cast<qsizetype>(p.size())));
}

std::string_view WalkEntry::topLevelName() const
{
    if (m_depth <= 1)
        return m_name;
    const std::string_view below = std::string_view(m_folderPath).substr(m_rootLength + 1);
    return below.substr(0, below.find('/'));
}

std::optional<qint64> WalkEntry::logicalSize() const
{
    const Metadata& m = metadata();
    return m.ok ? std::optional<qint64>(m.size) : std::nullopt;
}

std::optional<qint64> WalkEntry::allocatedSize() const
{
    const Metadata& m = metadata();
    return m.ok && m.hasAllocated ? std::optional<qint64>(m.allocated) : std::nullopt;
}

qint64 WalkEntry::allocatedOrLogicalSize() const
{
    const Metadata& m = metadata();
    if (!m.ok)
        return 0;
    return m.hasAllocated ? m.allocated : m.size;
}

std::optional<qint64> WalkEntry::birthTimeMSecs() const
{
    const Metadata& m = metadata();
    return m.ok && m.hasBirthTime ? std::optional<qint64>(m.birthMSecs) : std::nullopt;
}

std::optional<WalkEntry::Identity> WalkEntry::identity() const
{
    const Metadata& m = metadata();
    return m.ok ? std::optional<Identity>(m.identity) : std::nullopt;
}

} // namespace Sweepora::Core
