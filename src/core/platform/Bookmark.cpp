#include "core/platform/Bookmark.h"

#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"

#include <QDataStream>
#include <QIODevice>

#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Core {
namespace {

// "SWBM" and a version: anything else is refused rather than guessed at.
constexpr quint32 kMagic = 0x5357424d;
constexpr quint32 kVersion = 1;

struct Identity
{
    quint64 device = 0;
    quint64 inode = 0;
    friend bool operator==(const Identity&, const Identity&) = default;
};

// Follows a final symbolic link, as resolving a bookmark reaches what the link names.
std::optional<Identity> identityAt(const QString& path)
{
    struct stat st = {};
    if (path.isEmpty() || ::stat(bytesFromPath(path).constData(), &st) != 0)
        return std::nullopt;
    return Identity{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
}

} // namespace

std::optional<QByteArray> Bookmark::create(const FolderUrl& url)
{
    if (!url.carriesAccessRights() && !Sandbox::canRead(url.path()))
        return std::nullopt;
    const std::optional<Identity> id = identityAt(url.path());
    if (!id)
        return std::nullopt;
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << kMagic << kVersion << url.path() << id->device << id->inode;
    return data;
}

BookmarkResolution Bookmark::resolve(const QByteArray& data)
{
    BookmarkResolution result;
    QDataStream in(data);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0;
    quint32 version = 0;
    QString path;
    Identity recorded;
    in >> magic >> version >> path >> recorded.device >> recorded.inode;
    if (in.status() != QDataStream::Ok || magic != kMagic || version != kVersion || !in.atEnd() || path.isEmpty() ||
        path != standardizedPath(path)) {
        result.error = QStringLiteral("不是有效的书签数据");
        return result;
    }
    const std::optional<Identity> current = identityAt(path);
    if (!current) {
        result.error = QStringLiteral("书签指向的位置不存在：") + path;
        return result;
    }
    result.url = FolderUrl::withAccessRights(path);
    result.stale = *current != recorded;
    return result;
}

bool Bookmark::startAccessing(const FolderUrl& url)
{
    if (!url.carriesAccessRights() || !identityAt(url.path()))
        return false;
    if (::access(bytesFromPath(url.path()).constData(), R_OK) != 0)
        return false;
    Sandbox::openScope(url.path());
    return true;
}

void Bookmark::stopAccessing(const FolderUrl& url)
{
    if (url.carriesAccessRights())
        Sandbox::closeScope(url.path());
}

} // namespace Sweepora::Core
