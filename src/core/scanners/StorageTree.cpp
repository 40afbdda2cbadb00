#include "core/scanners/StorageTree.h"

#include "core/fs/Walker.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"
#include "core/trash/ItemIdentity.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <new>
#include <unordered_map>

namespace Sweepora::Core {
namespace {

using Node = StorageTree::Node;
using Chunk = StorageTree::Chunk;

// A thread's first chunk holds this many nodes; each next one twice as many, up to the last.
constexpr quint32 kFirstChunk = 4096;
constexpr quint32 kLargestChunk = 1u << 18;

Chunk makeChunk(quint32 capacity)
{
    Chunk chunk;
    auto* raw = static_cast<Node*>(std::malloc(size_t(capacity) * sizeof(Node)));
    if (raw == nullptr)
        throw std::bad_alloc();
    chunk.nodes.reset(raw);
    chunk.capacity = capacity;
    return chunk;
}

// The kind from the last extension, lower-cased in place of a string: this runs for every file.
FileKind kindOfName(std::string_view name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || name.size() - dot - 1 > 15)
        return FileKind::other;
    char lower[16];
    const std::string_view extension = name.substr(dot + 1);
    for (size_t i = 0; i < extension.size(); ++i)
        lower[i] = char(std::tolower(static_cast<unsigned char>(extension[i])));
    return fileKindOfExtension(std::string_view(lower, extension.size()));
}

// One folder's entries, side by side in one chunk of the thread that listed them.
struct Block
{
    quint64 device = 0;
    quint64 inode = 0;
    quint32 chunk = 0; // the collector's own numbering until the tree takes the chunks
    quint32 begin = 0;
    quint32 count = 0;
    size_t namesBegin = 0;
};

class TreeCollector final : public WalkVisitor
{
public:
    explicit TreeCollector(bool includeHidden) : m_includeHidden(includeHidden) {}

    WalkAction visit(const WalkEntry& entry) override
    {
        // Links are neither followed nor counted; hidden children of the root only when asked.
        if (entry.isSymlink() || (entry.depth() == 1 && !m_includeHidden && entry.name().starts_with('.')))
            return WalkAction::skipChildren;
        if (m_folder != entry.folderPath() && !startBlock(entry))
            return WalkAction::skipChildren;
        Node node;
        node.kind = entry.kind();
        node.flags = (entry.name().starts_with('.') ? StorageTree::kHidden : 0) |
                     (entry.isPackage() ? StorageTree::kPackage : 0);
        if (const std::optional<WalkEntry::Identity> id = entry.identity()) {
            node.known = true;
            node.device = id->device;
            node.inode = id->inode;
            node.logicalSize = entry.logicalSize().value_or(0);
            // Only regular files count below the root; other kinds among its children show their own size.
            if (entry.isRegularFile() || (entry.depth() == 1 && !entry.isDirectory()))
                node.size = entry.allocatedOrLogicalSize();
        }
        if (entry.isRegularFile())
            node.fileKind = kindOfName(entry.name());
        if (entry.depth() == 1 && !rootIdentity)
            rootIdentity = entry.folderIdentity();
        append(node, entry.name());
        return WalkAction::proceed;
    }

    std::vector<Chunk> chunks;
    std::vector<Block> blocks;
    std::optional<WalkEntry::Identity> rootIdentity;

private:
    bool startBlock(const WalkEntry& entry)
    {
        const std::optional<WalkEntry::Identity> folder = entry.folderIdentity();
        if (!folder)
            return false; // a folder that cannot be named again cannot be linked into the tree
        m_folder.assign(entry.folderPath());
        if (chunks.empty() || chunks.back().used == chunks.back().capacity)
            chunks.push_back(makeChunk(nextCapacity(0)));
        blocks.push_back({folder->device, folder->inode, quint32(chunks.size() - 1), chunks.back().used, 0,
                          chunks.back().names.size()});
        return true;
    }

    quint32 nextCapacity(quint32 atLeast) const
    {
        const quint32 grown = chunks.empty() ? kFirstChunk : std::min(chunks.back().capacity * 2, kLargestChunk);
        return std::max(grown, atLeast);
    }

    void append(Node node, std::string_view name)
    {
        Block& block = blocks.back();
        if (chunks[block.chunk].used == chunks[block.chunk].capacity) {
            // The folder goes on in a new chunk, whole: its entries must stay side by side.
            Chunk& old = chunks[block.chunk];
            Chunk moved = makeChunk(nextCapacity(block.count * 2 + 1));
            std::copy(old.nodes.get() + block.begin, old.nodes.get() + block.begin + block.count, moved.nodes.get());
            moved.names.assign(old.names, block.namesBegin);
            for (quint32 i = 0; i < block.count; ++i)
                moved.nodes[i].nameOffset -= quint32(block.namesBegin);
            moved.used = block.count;
            old.used = block.begin;
            old.names.resize(block.namesBegin);
            chunks.push_back(std::move(moved));
            block.chunk = quint32(chunks.size() - 1);
            block.begin = 0;
            block.namesBegin = 0;
        }
        Chunk& chunk = chunks[block.chunk];
        node.nameOffset = quint32(chunk.names.size());
        node.nameLength = quint16(name.size());
        chunk.names.append(name);
        new (&chunk.nodes[chunk.used]) Node(node);
        ++chunk.used;
        ++block.count;
    }

    bool m_includeHidden;
    std::string m_folder;
};

struct IdentityHash
{
    size_t operator()(const std::pair<quint64, quint64>& id) const
    {
        return std::hash<quint64>()(id.first * 0x9E3779B97F4A7C15ull ^ id.second);
    }
};

} // namespace

void StorageTree::Chunk::Free::operator()(Node* nodes) const
{
    std::free(nodes);
}

StorageTree StorageTree::build(const QString& root, bool includeHidden, const std::shared_ptr<WalkProgress>& progress)
{
    WalkOptions options; // nothing skipped: hidden files and package contents count
    std::vector<TreeCollector> parts;
    parts.reserve(size_t(Walker::threadCount(options)));
    std::vector<WalkVisitor*> visitors;
    for (int i = 0; i < Walker::threadCount(options); ++i)
        visitors.push_back(&parts.emplace_back(includeHidden));
    walkWatched(root, options, visitors, progress);

    StorageTree tree;
    tree.m_rootPath = root;
    tree.m_includesHidden = includeHidden;
    tree.m_chunks.push_back(makeChunk(1));
    Node rootNode;
    rootNode.kind = EntryKind::directory;
    std::unordered_map<std::pair<quint64, quint64>, Block, IdentityHash> blocks;
    for (TreeCollector& part : parts) {
        const quint32 first = quint32(tree.m_chunks.size());
        for (Chunk& chunk : part.chunks)
            tree.m_chunks.push_back(std::move(chunk));
        for (Block block : part.blocks) {
            block.chunk += first;
            if (block.count > 0)
                blocks.emplace(std::pair(block.device, block.inode), block);
        }
        if (part.rootIdentity && !rootNode.known) {
            rootNode.known = true;
            rootNode.device = part.rootIdentity->device;
            rootNode.inode = part.rootIdentity->inode;
        }
    }
    parts.clear();
    new (&tree.m_chunks[0].nodes[0]) Node(rootNode);
    tree.m_chunks[0].used = 1;

    // Depth first: a folder's children are linked on the way down, and on the way back up, once
    // every one of them knows its size, they are summed and put larger first.
    struct Frame
    {
        Index node;
        bool linked;
    };
    std::vector<Frame> stack{{StorageTree::root(), false}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        Node& folder = tree.mutableNode(frame.node);
        if (!frame.linked) {
            frame.linked = true;
            const auto found =
                folder.isFolder() && folder.known ? blocks.find({folder.device, folder.inode}) : blocks.end();
            if (found == blocks.end())
                continue;
            // Taken once: the same folder seen twice (a bind mount) is not linked twice.
            const Block block = found->second;
            blocks.erase(found);
            folder.childChunk = quint16(block.chunk);
            folder.firstChild = block.begin;
            folder.childCount = block.count;
            tree.m_entryCount += block.count;
            const Index first = (Index(block.chunk) << 32) | block.begin;
            for (quint32 i = 0; i < block.count; ++i)
                if (tree.node(first + i).isFolder())
                    stack.push_back({first + i, false});
            continue;
        }
        stack.pop_back();
        if (folder.childCount == 0)
            continue;
        Chunk& chunk = tree.m_chunks[folder.childChunk];
        Node* children = chunk.nodes.get() + folder.firstChild;
        for (quint32 i = 0; i < folder.childCount; ++i)
            folder.size += children[i].size;
        const char* names = chunk.names.data();
        std::sort(children, children + folder.childCount, [names](const Node& a, const Node& b) {
            if (a.size != b.size)
                return a.size > b.size;
            return std::string_view(names + a.nameOffset, a.nameLength) <
                   std::string_view(names + b.nameOffset, b.nameLength);
        });
    }
    return tree;
}

std::span<const StorageTree::Node> StorageTree::children(Index folder) const
{
    const Node& n = node(folder);
    if (n.childCount == 0)
        return {};
    return {m_chunks[n.childChunk].nodes.get() + n.firstChild, n.childCount};
}

std::string_view StorageTree::name(Index i) const
{
    const Node& n = node(i);
    return {m_chunks[size_t(i >> 32)].names.data() + n.nameOffset, n.nameLength};
}

std::optional<StorageTree::Index> StorageTree::find(Index folder, std::string_view childName) const
{
    const Node& n = node(folder);
    for (quint32 i = 0; i < n.childCount; ++i)
        if (name(childIndex(folder, i)) == childName)
            return childIndex(folder, i);
    return std::nullopt;
}

std::optional<StorageTree::Index> StorageTree::folderAt(const QString& path) const
{
    if (!isValid())
        return std::nullopt;
    const QString rootPath = standardizedPath(m_rootPath);
    const QString wanted = standardizedPath(path);
    if (wanted == rootPath)
        return root();
    const QString prefix = rootPath.endsWith(QLatin1Char('/')) ? rootPath : rootPath + QLatin1Char('/');
    if (!wanted.startsWith(prefix))
        return std::nullopt;
    Index at = root();
    for (const QString& part : wanted.mid(prefix.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QByteArray bytes = bytesFromPath(part);
        const std::optional<Index> child = find(at, std::string_view(bytes.constData(), size_t(bytes.size())));
        if (!child || !node(*child).isFolder())
            return std::nullopt;
        at = *child;
    }
    return at;
}

ItemIdentity StorageTree::identity(Index folder, Index child) const
{
    const Node& f = node(folder);
    const Node& c = node(child);
    ItemIdentity id;
    if (!f.known || !c.known)
        return id;
    id.device = c.device;
    id.inode = c.inode;
    id.parentDevice = f.device;
    id.parentInode = f.inode;
    id.logicalSize = c.logicalSize;
    id.kind = c.kind;
    id.known = true;
    return id;
}

size_t StorageTree::bytesUsed() const
{
    // What is written: a chunk's unused tail is never touched, so it takes no memory.
    size_t bytes = sizeof(*this) + m_chunks.capacity() * sizeof(Chunk);
    for (const Chunk& chunk : m_chunks)
        bytes += size_t(chunk.used) * sizeof(Node) + chunk.names.capacity();
    return bytes;
}

} // namespace Sweepora::Core
