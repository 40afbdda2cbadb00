#pragma once

#include "core/fs/WalkEntry.h"
#include "core/fs/WalkProgress.h"
#include "core/util/FileKind.h"

#include <QString>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Sweepora::Core {

struct ItemIdentity;

// The whole tree below an analysed folder, from one walk, kept compact so that walking into
// folders, going back and drawing the treemap never walk again: per entry only its size, its
// identity and where its name and children lie (56 bytes and the name's bytes), no path.
// Each folder's children lie side by side, larger first, so a folder is a slice of the nodes.
// The nodes stay where the walking threads wrote them, in large chunks: the tree is never
// copied, so building it costs little more memory than keeping it.
class StorageTree
{
public:
    // A node's chunk (high 32 bits) and place in it.
    using Index = quint64;
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
        EntryKind kind = EntryKind::other;
        quint8 flags = 0;
        FileKind fileKind = FileKind::other;
        bool known = false;     // stat'ed: only known items can be moved
        quint16 childChunk = 0; // children: [firstChild, firstChild + childCount) of that chunk
        quint32 firstChild = 0;
        quint32 childCount = 0;

        bool isFolder() const { return kind == EntryKind::directory; }
        bool isHidden() const { return flags & kHidden; }
    };

    // Walks `root` once (links never followed, only inside the open scopes). Hidden children
    // of the root are left out unless `includeHidden`; hidden entries deeper down always count.
    // A cancelled `progress` stops the walk early, and the tree then holds only part of it.
    static StorageTree build(const QString& root, bool includeHidden,
                             const std::shared_ptr<WalkProgress>& progress = {});

    bool isValid() const { return !m_chunks.empty(); }
    const QString& rootPath() const { return m_rootPath; }
    bool includesHidden() const { return m_includesHidden; }
    static constexpr Index root() { return 0; }
    const Node& node(Index i) const { return m_chunks[size_t(i >> 32)].nodes[quint32(i)]; }
    std::span<const Node> children(Index folder) const;
    Index childIndex(Index folder, size_t position) const
    {
        const Node& n = node(folder);
        return (Index(n.childChunk) << 32) | (n.firstChild + quint32(position));
    }
    std::string_view name(Index i) const;
    // The child of `folder` with that name, if any.
    std::optional<Index> find(Index folder, std::string_view name) const;
    // The folder at `path` (the root or below it), following the tree's own names.
    std::optional<Index> folderAt(const QString& path) const;
    // What the walk saw of `child`, lying in `folder`, for the Trash gateway's re-check.
    ItemIdentity identity(Index folder, Index child) const;

    qsizetype entryCount() const { return m_entryCount; }
    // Bytes the tree holds, for the memory checks.
    size_t bytesUsed() const;

    // Nodes as one walking thread wrote them; a folder's entries never straddle two chunks.
    struct Chunk
    {
        struct Free
        {
            void operator()(Node* nodes) const;
        };
        std::unique_ptr<Node[], Free> nodes;
        quint32 capacity = 0;
        quint32 used = 0;
        std::string names;
    };

private:
    Node& mutableNode(Index i) { return m_chunks[size_t(i >> 32)].nodes[quint32(i)]; }

    QString m_rootPath;
    bool m_includesHidden = false;
    std::vector<Chunk> m_chunks; // chunk 0 holds the root alone
    qsizetype m_entryCount = 0;
};

} // namespace Sweepora::Core
