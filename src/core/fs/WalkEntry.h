#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>
#include <string>
#include <string_view>

namespace Sweepora::Core {

enum class EntryKind : quint8 { regular, directory, symlink, other };

// One entry yielded by the Walker. It lives only for the duration of the visitor's call:
// copy what you keep. Kind, package flag and name come free from the folder listing; the
// size and birth time cost one stat, made on first request through the descriptor of the
// folder that holds the entry (so it works at any depth) and then remembered.
class WalkEntry
{
public:
    std::string_view name() const { return m_name; }
    // The full path as file-system bytes (built on request).
    std::string path() const;
    // The full path as text, for the items a scanner keeps.
    QString filePath() const;
    // The child of the walk's root that this entry lies in (or is), e.g. for per-child sums.
    std::string_view topLevelName() const;
    // The bytes of the folder that holds the entry; every entry of one folder comes from one
    // thread, one after the other.
    std::string_view folderPath() const { return m_folderPath; }

    EntryKind kind() const { return m_kind; }
    bool isRegularFile() const { return m_kind == EntryKind::regular; }
    bool isDirectory() const { return m_kind == EntryKind::directory; }
    // A symbolic link is yielded as itself and never followed.
    bool isSymlink() const { return m_kind == EntryKind::symlink; }
    // A directory with a package extension (see PackageNames.h).
    bool isPackage() const { return m_package; }
    // 1 for the children of the root.
    int depth() const { return m_depth; }

    // st_size; none when the entry cannot be stat'ed (gone, or no permission).
    std::optional<qint64> logicalSize() const;
    // st_blocks × 512; none as above.
    std::optional<qint64> allocatedSize() const;
    // The allocated size, else the logical size, else 0: the size every "how big is it" list shows.
    qint64 allocatedOrLogicalSize() const;
    // Milliseconds since the epoch; none when the file system records no birth time.
    std::optional<qint64> birthTimeMSecs() const;
    // st_dev and st_ino, from the same stat; none as above. A scanner keeps them to know the
    // file again without a second stat.
    struct Identity
    {
        quint64 device = 0;
        quint64 inode = 0;
    };
    std::optional<Identity> identity() const;
    // The identity of the folder that holds the entry (one fstat of its open descriptor), so
    // that a clean can tell later that the item still lies in the folder the walk went through.
    std::optional<Identity> folderIdentity() const;

private:
    friend class WalkThread;

    struct Metadata
    {
        bool ok = false;
        bool hasAllocated = false;
        bool hasBirthTime = false;
        quint32 mode = 0;
        qint64 size = 0;
        qint64 allocated = 0;
        qint64 birthMSecs = 0;
        Identity identity;
    };

    WalkEntry(int folderFd, std::string_view name, const std::string& folderPath, size_t rootLength, int depth,
              std::optional<Identity>* folderIdentity)
        : m_folderFd(folderFd), m_name(name), m_folderPath(folderPath), m_rootLength(rootLength), m_depth(depth),
          m_folderIdentity(folderIdentity)
    {}
    const Metadata& metadata() const;
    static void readMetadata(int folderFd, const char* name, Metadata& m);

    int m_folderFd;
    std::string_view m_name; // NUL-terminated in the listing buffer
    const std::string& m_folderPath;
    size_t m_rootLength;
    int m_depth;
    std::optional<Identity>* m_folderIdentity; // shared by the folder's entries: one fstat per folder
    EntryKind m_kind = EntryKind::other;
    bool m_package = false;
    mutable bool m_statted = false;
    mutable Metadata m_metadata;
};

// A folder whose listing has been read to the end.
struct WalkFolder
{
    std::string_view path; // file-system bytes; valid during the call only
    int depth = 0;         // 0 for the root
    // Every entry the listing returned, hidden ones and packages included ("." and ".." are
    // not entries). Zero means the folder is empty: no second listing needed.
    qint64 entryCount = 0;
    bool isPackage = false;
};

} // namespace Sweepora::Core
