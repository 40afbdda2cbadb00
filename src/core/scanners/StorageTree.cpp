#include "scanners/StorageTree.h"

#include "fs/Walker.h"
#include "platform/PathBytes.h"
#include "platform/PlatformLayout.h"
#include "trash/ItemIdentity.h"

#include <QFile>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_map>

namespace Sweepora::Core {
namespace {

// One folder's entries as one walking thread listed them, before the tree is put together.
struct Block
{
    std::string path;
    std::vector<StorageTree::Node> entries; // nameOffset points into `names`
    std::string names;
};

// The kind from the last extension, lower-cased in place of a string: this runs for every file.
FileKind kindOfName(std::string_view name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || name.size() - dot - 1 > 15)
        return FileKind::Other;
    char lower[16];
    const std::string_view extension = name.substr(dot + 1);
    for (size_t i = 0; i < extension.size(); ++i)
        lower[i] = char(std::tolower(static_cast<unsigned char>(extension[i])));
    return fileKindOfExtension(std::string_view(lower, extension.size()));
}

class TreeCollector final : public WalkVisitor
{
public:
    explicit TreeCollector(bool includeHidden) : m_includeHidden(includeHidden) {}

    WalkAction visit(const WalkEntry& entry) override
    {
        // Links are neither followed nor counted; hidden children of the root only when asked.
        if (entry.isSymlink() || (entry.depth() == 1 && !m_includeHidden && entry.name().starts_with('.')))
            return WalkAction::SkipChildren;
        if (blocks.empty() || blocks.back().path != entry.folderPath())
            blocks.push_back({std::string(entry.folderPath()), {}, {}});
        Block& block = blocks.back();
        StorageTree::Node node;
        node.nameOffset = quint32(block.names.size());
        node.nameLength = quint16(entry.name().size());
        block.names.append(entry.name());
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
        if (entry.depth() == 1 && !m_rootIdentity)
            m_rootIdentity = entry.folderIdentity();
        block.entries.push_back(node);
        return WalkAction::Continue;
    }

    std::vector<Block> blocks;
    std::optional<WalkEntry::Identity> m_rootIdentity;

private:
    bool m_includeHidden;
};

bool largerFirst(const StorageTree::Node& a, std::string_view aName, const StorageTree::Node& b, std::string_view bName)
{
    if (a.size != b.size)
        return a.size > b.size;
    return aName < bName;
}

} // namespace

StorageTree StorageTree::build(const QString& root, bool includeHidden)
{
    WalkOptions options; // nothing skipped: hidden files and package contents count
    std::vector<TreeCollector> parts = Walker::walkEach(root, options, TreeCollector(includeHidden));

    StorageTree tree;
    tree.m_rootPath = root;
    tree.m_includesHidden = includeHidden;
    std::unordered_map<std::string_view, Block*> byPath;
    size_t total = 1;
    Node rootNode;
    rootNode.kind = EntryKind::Directory;
    for (TreeCollector& part : parts) {
        for (Block& block : part.blocks) {
            byPath.emplace(block.path, &block);
            total += block.entries.size();
        }
        if (part.m_rootIdentity && !rootNode.known) {
            rootNode.known = true;
            rootNode.device = part.m_rootIdentity->device;
            rootNode.inode = part.m_rootIdentity->inode;
        }
    }
    tree.m_nodes.reserve(total);
    tree.m_nodes.push_back(rootNode);
    std::vector<Index> parents(1, 0);
    parents.reserve(total);

    // Breadth first, so that every node lies after its folder: sizes then add up backwards.
    std::vector<std::pair<Index, std::string>> level{{0, bytesFromPath(standardizedPath(root)).toStdString()}};
    if (level.front().second == "/")
        level.front().second.clear();
    while (!level.empty()) {
        std::vector<std::pair<Index, std::string>> next;
        for (auto& [folder, path] : level) {
            const auto found = byPath.find(path);
            if (found == byPath.end())
                continue;
            Block& block = *found->second;
            tree.m_nodes[folder].firstChild = Index(tree.m_nodes.size());
            tree.m_nodes[folder].childCount = quint32(block.entries.size());
            for (Node node : block.entries) {
                const std::string_view name(block.names.data() + node.nameOffset, node.nameLength);
                node.nameOffset = quint32(tree.m_names.size());
                tree.m_names.append(name);
                if (node.isFolder())
                    next.emplace_back(Index(tree.m_nodes.size()), path + '/' + std::string(name));
                tree.m_nodes.push_back(node);
                parents.push_back(folder);
            }
            // What is copied into the tree is let go at once: the peak stays near one copy.
            byPath.erase(found);
            std::vector<Node>().swap(block.entries);
            std::string().swap(block.names);
        }
        level = std::move(next);
    }
    for (size_t i = tree.m_nodes.size() - 1; i > 0; --i)
        tree.m_nodes[parents[i]].size += tree.m_nodes[i].size;
    for (Node& folder : tree.m_nodes) {
        if (folder.childCount < 2)
            continue;
        Node* first = tree.m_nodes.data() + folder.firstChild;
        std::sort(first, first + folder.childCount, [&tree](const Node& a, const Node& b) {
            return largerFirst(a, std::string_view(tree.m_names.data() + a.nameOffset, a.nameLength), b,
                               std::string_view(tree.m_names.data() + b.nameOffset, b.nameLength));
        });
    }
    tree.m_nodes.shrink_to_fit();
    tree.m_names.shrink_to_fit();
    return tree;
}

std::span<const StorageTree::Node> StorageTree::children(Index folder) const
{
    const Node& n = m_nodes[folder];
    return {m_nodes.data() + n.firstChild, n.childCount};
}

std::string_view StorageTree::name(Index i) const
{
    return {m_names.data() + m_nodes[i].nameOffset, m_nodes[i].nameLength};
}

std::optional<StorageTree::Index> StorageTree::find(Index folder, std::string_view childName) const
{
    const Node& n = m_nodes[folder];
    for (Index i = n.firstChild; i < n.firstChild + n.childCount; ++i)
        if (name(i) == childName)
            return i;
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
        if (!child || !m_nodes[*child].isFolder())
            return std::nullopt;
        at = *child;
    }
    return at;
}

ItemIdentity StorageTree::identity(Index folder, Index child) const
{
    const Node& f = m_nodes[folder];
    const Node& c = m_nodes[child];
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
    return sizeof(*this) + m_nodes.capacity() * sizeof(Node) + m_names.capacity();
}

} // namespace Sweepora::Core
