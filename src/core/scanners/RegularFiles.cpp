#include "core/scanners/RegularFiles.h"

#include "core/fs/Walker.h"
#include "core/platform/PathBytes.h"
#include "core/trash/ProtectedPlaces.h"

#include <QHash>

#include <algorithm>
#include <iterator>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

namespace Sweepora::Core {
namespace {

struct FoundBytes
{
    std::string path; // file-system bytes until the list is sorted
    qint64 size = 0;
    ItemIdentity identity;
};

// Per child of the root: what decides whether it can move as one entry.
struct ChildTally
{
    std::optional<ItemIdentity> identity; // set when the child is a folder
    bool incomplete = false;
    qint64 foldersEntered = 0;
    qint64 foldersListed = 0;
};

class RegularFileCollector final : public WalkVisitor
{
public:
    explicit RegularFileCollector(size_t rootLength = 0) : m_rootLength(rootLength) {}

    WalkAction visit(const WalkEntry& entry) override
    {
        const std::string_view name = entry.name();
        ChildTally& child = m_children[std::string(entry.topLevelName())];
        // Hidden entries are never listed, so a folder holding one cannot move whole.
        if (!name.empty() && name.front() == '.') {
            child.incomplete = true;
            return WalkAction::skipChildren;
        }
        if (entry.isRegularFile()) {
            m_files.push_back({entry.path(), entry.logicalSize().value_or(0), ItemIdentity::of(entry)});
        } else if (entry.isDirectory()) {
            ++child.foldersEntered;
            if (entry.depth() == 1)
                child.identity = ItemIdentity::of(entry);
        } else {
            child.incomplete = true;
        }
        return WalkAction::proceed;
    }

    void folderListed(const WalkFolder& folder) override
    {
        if (folder.depth < 1 || folder.path.size() <= m_rootLength)
            return;
        std::string_view rest = folder.path.substr(m_rootLength + 1);
        rest = rest.substr(0, rest.find('/'));
        ++m_children[std::string(rest)].foldersListed;
    }

    std::vector<FoundBytes> m_files;
    std::map<std::string, ChildTally> m_children;

private:
    size_t m_rootLength;
};

} // namespace

FoundTree findRegularFilesAndFolders(const QString& folder, const ProtectedPlaces& protectedPlaces,
                                     const std::shared_ptr<WalkProgress>& progress)
{
    WalkOptions options;
    options.skipHidden = false; // skipped by the collector, which needs to see them
    options.skipPackageDescendants = false;
    const QByteArray root = bytesFromPath(folder);
    std::vector<FoundBytes> found;
    std::map<std::string, ChildTally> children;
    const WatchedVisitor prototype(RegularFileCollector(static_cast<size_t>(root.size())), progress);
    for (WatchedVisitor<RegularFileCollector>& watched : Walker::walkEach(folder, options, prototype)) {
        RegularFileCollector& part = watched.inner;
        std::move(part.m_files.begin(), part.m_files.end(), std::back_inserter(found));
        for (const auto& [name, tally] : part.m_children) {
            ChildTally& merged = children[name];
            if (tally.identity)
                merged.identity = tally.identity;
            merged.incomplete = merged.incomplete || tally.incomplete;
            merged.foldersEntered += tally.foldersEntered;
            merged.foldersListed += tally.foldersListed;
        }
    }
    // Two threads find files in no fixed order; the list reads the same on every scan. Sorted
    // as bytes, which is cheap for the tens of thousands of files a cache can hold. A child
    // folder's files are then next to each other.
    std::sort(found.begin(), found.end(), [](const FoundBytes& a, const FoundBytes& b) { return a.path < b.path; });
    const bool check = protectedPlaces.touches(folder);
    FoundTree tree;
    tree.files.reserve(static_cast<qsizetype>(found.size()));
    const size_t childStart = static_cast<size_t>(root.size()) + 1;
    std::string currentChild;
    qsizetype current = -1; // index in tree.folders
    for (FoundBytes& f : found) {
        FoundFile file{pathFromBytes(QByteArray::fromRawData(f.path.data(), static_cast<qsizetype>(f.path.size()))),
                       f.size, f.identity};
        const size_t slash = f.path.find('/', childStart);
        const std::string child =
            slash == std::string::npos ? std::string() : f.path.substr(childStart, slash - childStart);
        if (check && protectedPlaces.isProtected(file.path)) {
            if (!child.empty())
                children[child].incomplete = true;
            continue;
        }
        if (child != currentChild || current < 0) {
            currentChild = child;
            current = -1;
            const auto it = children.find(child);
            if (!child.empty() && it != children.end() && it->second.identity) {
                tree.folders.append(
                    {pathFromBytes(QByteArray::fromStdString(f.path.substr(0, slash))), *it->second.identity, 0, 0});
                current = tree.folders.size() - 1;
            }
        }
        if (current >= 0) {
            ++tree.folders[current].count;
            tree.folders[current].size += file.size;
        }
        tree.files.append(std::move(file));
    }
    // Only folders with nothing unlisted below them, every subfolder read to its end.
    tree.folders.removeIf([&](const WholeFolder& w) {
        const QByteArray bytes = bytesFromPath(w.path);
        const ChildTally& tally = children[bytes.mid(root.size() + 1).toStdString()];
        return tally.incomplete || tally.foldersEntered != tally.foldersListed || w.count == 0 ||
               protectedPlaces.touches(w.path);
    });
    return tree;
}

QList<FoundFile> findRegularFiles(const QString& folder, const ProtectedPlaces& protectedPlaces)
{
    return findRegularFilesAndFolders(folder, protectedPlaces).files;
}

WholeCleanPlan planWholeClean(const QStringList& files, const QList<ItemIdentity>& identities,
                              const QList<WholeFolder>& folders)
{
    QHash<QString, const WholeFolder*> byPath;
    for (const WholeFolder& w : folders)
        byPath.insert(w.path, &w);
    WholeCleanPlan plan;
    for (qsizetype i = 0; i < files.size();) {
        // The outermost whole folder above the file, if any.
        const WholeFolder* whole = nullptr;
        if (!byPath.isEmpty()) {
            for (qsizetype slash = files[i].lastIndexOf(u'/'); slash > 0; slash = files[i].lastIndexOf(u'/', slash - 1))
                if (const auto it = byPath.constFind(files[i].left(slash)); it != byPath.constEnd())
                    whole = *it;
        }
        if (whole && i + whole->count <= files.size()) {
            const QString prefix = whole->path + u'/';
            const bool together = std::all_of(files.begin() + i, files.begin() + i + whole->count,
                                              [&](const QString& f) { return f.startsWith(prefix); });
            const bool nothingElse = i + whole->count == files.size() || !files[i + whole->count].startsWith(prefix);
            if (together && nothingElse) {
                plan.items.append({whole->path, whole->identity, whole->size});
                QList<qsizetype> covered(whole->count);
                std::iota(covered.begin(), covered.end(), i);
                plan.covers.append(std::move(covered));
                i += whole->count;
                continue;
            }
        }
        plan.items.append({files[i], identities.value(i)});
        plan.covers.append(QList<qsizetype>{i});
        ++i;
    }
    return plan;
}

TrashBatchResult resultPerFile(const WholeCleanPlan& plan, const QStringList& files, const TrashBatchResult& result)
{
    QHash<QString, qsizetype> itemOf;
    for (qsizetype i = 0; i < plan.items.size(); ++i)
        itemOf.insert(plan.items[i].path, i);
    TrashBatchResult out = result;
    out.moved.clear();
    out.failed.clear();
    for (const QString& path : result.moved)
        for (const qsizetype f : plan.covers.value(itemOf.value(path, -1)))
            out.moved.append(files[f]);
    for (const TrashFailure& failure : result.failed)
        for (const qsizetype f : plan.covers.value(itemOf.value(failure.path, -1)))
            out.failed.append({files[f], failure.error, failure.errorCode});
    return out;
}

} // namespace Sweepora::Core
