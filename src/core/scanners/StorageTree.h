#pragma once

#include "fs/WalkEntry.h"
#include "util/FileKind.h"

#include <QString>

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Sweepora::Core {

struct ItemIdentity;

// The whole tree below an analysed folder, from one walk, kept compact so that walking into
// folders, going back and drawing the treemap never walk again: per entry only its size, its
// identity and where its name and children lie (48 bytes and the name's bytes), no path.
// Each folder's children lie side by side, larger first, so a folder is a slice of the nodes.
class StorageTree
{
public:
    using Index = quint32;
    static constexpr quint8 kHidden = 1;
    static constexpr quint8 kPackage = 2;

    struct Node
    {
        qint64 size = 0;        // allocated (else logical) size; a folder's, of every file below it
        qint64 logicalSize = 0; // as stat'ed: the gateway's check that a file is unchanged
        quint64 device = 0;
        quint64 inode = 0;
        quint32 nameOffset = 0;
        quint16 nameLength = 0;
        EntryKind kind = EntryKind::Other;
        quint8 flags = 0;
        FileKind fileKind = FileKind::Other;
        bool known = false;   // stat'ed: only known items can be moved
        Index firstChild = 0; // children: [firstChild, firstChild + childCount)
        quint32 childCount = 0;

        bool isFolder() const { return kind == EntryKind::Directory; }
        bool isHidden() const { return flags & kHidden; }
    };

    // Walks `root` once (links never followed, only inside the open scopes). Hidden children
    // of the root are left out unless `includeHidden`; hidden entries deeper down always count.
    static StorageTree build(const QString& root, bool includeHidden);

    bool isValid() const { return !m_nodes.empty(); }
    const QString& rootPath() const { return m_rootPath; }
    bool includesHidden() const { return m_includesHidden; }
    static constexpr Index root() { return 0; }
    const Node& node(Index i) const { return m_nodes[i]; }
    std::span<const Node> children(Index folder) const;
    Index childIndex(Index folder, size_t position) const { return m_nodes[folder].firstChild + Index(position); }
    std::string_view name(Index i) const;
    // The child of `folder` with that name, if any.
    std::optional<Index> find(Index folder, std::string_view name) const;
    // The folder at `path` (the root or below it), following the tree's own names.
    std::optional<Index> folderAt(const QString& path) const;
    // What the walk saw of `child`, lying in `folder`, for the Trash gateway's re-check.
    ItemIdentity identity(Index folder, Index child) const;

    qsizetype entryCount() const { return qsizetype(m_nodes.size()) - 1; }
    // Bytes the tree holds, for the memory checks.
    size_t bytesUsed() const;

private:
    QString m_rootPath;
    bool m_includesHidden = false;
    std::vector<Node> m_nodes;
    std::string m_names;
};

} // namespace Sweepora::Core
