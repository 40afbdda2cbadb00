#include "core/scanners/StorageEngine.h"

#include "core/fs/Walker.h"
#include "core/scanners/ResultOrder.h"
#include "core/trash/ProtectedPlaces.h"
#include "core/trash/TrashGateway.h"

#include <string>
#include <unordered_map>

namespace Sweepora::Core::StorageEngine {
namespace {

struct Child
{
    std::string name;
    StorageEntry entry;
};

// One per walking thread. Children of the root are collected as they come; every regular file
// deeper down adds its size to the child it lies in.
class SizeCollector final : public WalkVisitor
{
public:
    explicit SizeCollector(bool includeHidden) : m_includeHidden(includeHidden) {}

    WalkAction visit(const WalkEntry& entry) override
    {
        if (entry.depth() == 1)
            return visitChild(entry);
        if (entry.isRegularFile())
            sumFor(entry.topLevelName()) += entry.allocatedOrLogicalSize();
        return WalkAction::proceed;
    }

    std::vector<Child> children;
    std::unordered_map<std::string, qint64> sums;

private:
    WalkAction visitChild(const WalkEntry& entry)
    {
        // Hidden children are not listed, so nothing below them is worth reading.
        if (entry.isSymlink() || (!m_includeHidden && entry.name().starts_with('.')))
            return WalkAction::skipChildren;
        StorageEntry e{entry.filePath(), entry.isDirectory(), 0, false, ItemIdentity::of(entry)};
        if (!e.isDirectory)
            e.size = entry.allocatedOrLogicalSize();
        children.push_back({std::string(entry.name()), std::move(e)});
        return WalkAction::proceed;
    }

    // Entries of one folder come together, so the last child's slot is nearly always the
    // right one; unordered_map keeps references valid as it grows.
    qint64& sumFor(std::string_view name)
    {
        if (m_last == nullptr || name != m_lastName) {
            m_lastName.assign(name);
            m_last = &sums[m_lastName];
        }
        return *m_last;
    }

    bool m_includeHidden = false;
    std::string m_lastName;
    qint64* m_last = nullptr;
};

} // namespace

QList<StorageEntry> listDirectory(const QString& directory, bool includeHidden)
{
    WalkOptions options; // nothing skipped: hidden files and package contents count
    options.threads = 2;
    std::vector<SizeCollector> parts = Walker::walkEach(directory, options, SizeCollector(includeHidden));

    std::unordered_map<std::string, qint64> sums;
    for (SizeCollector& part : parts)
        for (const auto& [name, size] : part.sums)
            sums[name] += size;

    const ProtectedPlaces protectedPlaces = ProtectedPlaces::current();
    QList<StorageEntry> entries;
    for (SizeCollector& part : parts) {
        for (Child& child : part.children) {
            if (child.entry.isDirectory) {
                const auto it = sums.find(child.name);
                child.entry.size = it == sums.end() ? 0 : it->second;
            }
            child.entry.isProtected = protectedPlaces.isProtected(child.entry.path);
            entries.append(std::move(child.entry));
        }
    }
    sortBySizeThenName(entries);
    return entries;
}

TrashBatchResult moveToTrash(const QList<StorageEntry>& entries)
{
    QList<TrashItem> items;
    for (const StorageEntry& e : entries)
        items.append({e.path, e.identity, e.size});
    return TrashGateway::moveToTrash(items,
                                     {{QStringLiteral("[StorageAnalysis]"), QStringLiteral("已将 {n} 项移到废纸篓"),
                                       QStringLiteral("已移到废纸篓 {n} 项，{failed} 项失败")},
                                      false,
                                      {},
                                      QStringLiteral("storage")});
}

} // namespace Sweepora::Core::StorageEngine
