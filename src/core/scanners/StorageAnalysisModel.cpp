#include "core/scanners/StorageAnalysisModel.h"

#include "core/access/AccessManager.h"
#include "core/platform/FolderPicker.h"
#include "core/platform/Jobs.h"
#include "core/platform/Notifications.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/scanners/ResultOrder.h"
#include "core/sections/SectionTexts.h"
#include "core/trash/ProtectedPlaces.h"
#include "core/util/ByteCount.h"
#include "core/util/NameOrder.h"
#include "core/util/ViewModelSupport.h"

#include <QPointer>
#include <QSet>

#include <unistd.h>

namespace Sweepora::Core {
namespace {

// What the sandbox would let us list, and the file system too.
bool isReadableFolder(const QString& path)
{
    return Sandbox::canRead(path) && ::access(bytesFromPath(path).constData(), R_OK | X_OK) == 0;
}

// The rows of `folder` in `tree`, in the listing's order; hidden ones only when asked.
QList<StorageEntry> entriesFrom(const StorageTree& tree, StorageTree::Index folder, const QString& directory,
                                bool showsHidden, const ProtectedPlaces& protectedPlaces)
{
    QList<StorageEntry> entries;
    const QString prefix = directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
    const std::span<const StorageTree::Node> children = tree.children(folder);
    entries.reserve(qsizetype(children.size()));
    for (size_t i = 0; i < children.size(); ++i) {
        const StorageTree::Node& node = children[i];
        if (node.isHidden() && !showsHidden)
            continue;
        const StorageTree::Index child = tree.childIndex(folder, i);
        const std::string_view name = tree.name(child);
        StorageEntry entry;
        entry.path = prefix + pathFromBytes(QByteArray(name.data(), qsizetype(name.size())));
        entry.isDirectory = node.isFolder();
        entry.size = node.size;
        entry.identity = tree.identity(folder, child);
        entry.isProtected = protectedPlaces.isProtected(entry.path);
        entries.append(std::move(entry));
    }
    sortBySizeThenName(entries);
    return entries;
}

} // namespace

StorageAnalysisModel::StorageAnalysisModel(QObject* parent)
    : QObject(parent), m_currentDirectory(AccessManager::homeDirectoryURL().path()), m_stack{m_currentDirectory}
{
    connect(&m_listingWatcher, &QFutureWatcherBase::finished, this, &StorageAnalysisModel::onListingFinished);
    connect(&m_deletionWatcher, &QFutureWatcherBase::finished, this, &StorageAnalysisModel::onDeletionFinished);
}

StorageAnalysisModel::~StorageAnalysisModel() = default;

QList<StorageEntry> StorageAnalysisModel::selectedEntries() const
{
    QList<StorageEntry> selection;
    for (const StorageEntry& e : m_entries)
        if (m_selected.contains(e.path))
            selection.append(e);
    return selection;
}

qint64 StorageAnalysisModel::totalSize() const
{
    qint64 sum = 0;
    for (const StorageEntry& e : m_entries)
        sum += e.size;
    return sum;
}

qint64 StorageAnalysisModel::selectedSize() const
{
    qint64 sum = 0;
    for (const StorageEntry& e : m_entries)
        if (m_selected.contains(e.path))
            sum += e.size;
    return sum;
}

void StorageAnalysisModel::chooseDirectory()
{
    if (m_isDeleting)
        return;
    FolderPicker* picker = FolderPicker::current();
    if (picker == nullptr)
        return;
    FolderPickerRequest request;
    request.title = QStringLiteral("选择要分析的目录");
    request.prompt = QStringLiteral("分析此目录");
    request.directory = m_currentDirectory;
    picker->pickFolder(request, [self = QPointer<StorageAnalysisModel>(this)](std::optional<FolderUrl> url) {
        if (self.isNull() || !url)
            return;
        // Opening the folder's own scope also stores its grant, so the choice outlives the run.
        // The scope stays open for the rest of the process.
        if (!AccessManager::beginAccess(*url) && !isReadableFolder(url->path())) {
            self->setMessage(QStringLiteral("无法读取所选目录，请重新授权"));
            return;
        }
        self->moveTo(standardizedPath(url->path()), true);
    });
}

void StorageAnalysisModel::enterDirectory(const StorageEntry& entry)
{
    // A row of a listing that is no longer the current folder's would put a stranger on the
    // path the user walks back along.
    if (!entry.isDirectory || m_isDeleting || parentPath(entry.path) != m_currentDirectory)
        return;
    moveTo(entry.path, false);
}

void StorageAnalysisModel::goUp()
{
    if (m_stack.size() < 2 || m_isDeleting)
        return;
    m_stack.removeLast();
    setCurrentDirectory(m_stack.last());
    loadCurrentDirectory();
}

void StorageAnalysisModel::refresh()
{
    if (m_isDeleting)
        return;
    m_snapshots.remove(m_currentDirectory);
    m_tree.reset();
    loadCurrentDirectory();
}

void StorageAnalysisModel::setShowsHidden(bool shows)
{
    if (shows == m_showsHidden || m_isDeleting)
        return;
    m_showsHidden = shows;
    m_snapshots.clear();
    loadCurrentDirectory();
}

void StorageAnalysisModel::moveTo(const QString& directory, bool resetPath)
{
    if (resetPath)
        m_stack = {directory};
    else
        m_stack.append(directory);
    setCurrentDirectory(directory);
    loadCurrentDirectory();
}

void StorageAnalysisModel::loadCurrentDirectory()
{
    clearSelection();
    const QString directory = m_currentDirectory;
    if (const auto it = m_snapshots.constFind(directory); it != m_snapshots.cend()) {
        showListing(directory, *it);
        return;
    }
    if (listFromTree(directory))
        return;
    if (!AccessManager::hasHomeAccess() && !isReadableFolder(directory)) {
        setMessage(QStringLiteral("请授权访问此目录"));
        return;
    }
    // A listing of another folder is never shown under this one's name.
    if (m_entriesDirectory != directory)
        setEntries({}, directory);
    // One computation at a time: the running one hands back first, then this folder follows.
    if (m_isScanning)
        return;
    setScanning(true);
    setMessage(kComputingMessage);
    m_listingWatcher.setFuture(runJob([directory, hidden = m_showsHidden, progress = m_watch.start()] {
        auto tree = std::make_shared<const StorageTree>(StorageTree::build(directory, hidden, progress));
        if (progress->isCancelled())
            return Listing{directory, {}, hidden, nullptr};
        QList<StorageEntry> entries =
            entriesFrom(*tree, StorageTree::root(), directory, hidden, ProtectedPlaces::current());
        return Listing{directory, std::move(entries), hidden, std::move(tree)};
    }));
}

// A folder below the last walk's root is listed from its tree, at once.
bool StorageAnalysisModel::listFromTree(const QString& directory)
{
    if (!m_tree)
        return false;
    const std::optional<StorageTree::Index> folder = m_tree->folderAt(directory);
    // The root's own hidden children are in the tree only when the walk was asked for them.
    if (!folder || (*folder == StorageTree::root() && m_showsHidden && !m_tree->includesHidden()))
        return false;
    const QList<StorageEntry> entries =
        entriesFrom(*m_tree, *folder, directory, m_showsHidden, ProtectedPlaces::current());
    m_snapshots.insert(directory, entries);
    showListing(directory, entries);
    return true;
}

std::optional<StorageTree::Index> StorageAnalysisModel::currentFolderIndex() const
{
    if (!m_tree || m_entriesDirectory != m_currentDirectory)
        return std::nullopt;
    return m_tree->folderAt(m_currentDirectory);
}

std::optional<StorageEntry> StorageAnalysisModel::entryForChild(StorageTree::Index child) const
{
    const std::optional<StorageTree::Index> folder = currentFolderIndex();
    if (!folder)
        return std::nullopt;
    const std::string_view name = m_tree->name(child);
    const QString path =
        (m_currentDirectory.endsWith(QLatin1Char('/')) ? m_currentDirectory : m_currentDirectory + QLatin1Char('/')) +
        pathFromBytes(QByteArray(name.data(), qsizetype(name.size())));
    for (const StorageEntry& entry : m_entries)
        if (entry.path == path)
            return entry;
    return std::nullopt;
}

void StorageAnalysisModel::cancelListing()
{
    if (m_isScanning)
        m_watch.cancel();
}

void StorageAnalysisModel::onListingFinished()
{
    Listing listing = m_listingWatcher.future().result();
    const bool cancelled = m_watch.finish();
    setScanning(false);
    if (cancelled) {
        setMessage(kCancelledMessage);
        emit listingFinished();
        return;
    }
    // Hidden items were switched on or off meanwhile: this listing answers the old question.
    if (listing.showsHidden != m_showsHidden) {
        loadCurrentDirectory();
        return;
    }
    m_tree = std::move(listing.tree);
    m_snapshots.insert(listing.directory, listing.entries);
    if (listing.directory == m_currentDirectory) {
        showListing(listing.directory, listing.entries);
    } else if (!m_snapshots.contains(m_currentDirectory)) {
        // The user moved on meanwhile to a folder not listed yet (a cached one showed at once).
        loadCurrentDirectory();
    }
    emit listingFinished();
}

void StorageAnalysisModel::showListing(const QString& directory, const QList<StorageEntry>& entries)
{
    setEntries(entries, directory);
    setMessage(SectionTexts::storageListing(entries.size()));
}

void StorageAnalysisModel::setSelected(const QString& path, bool selected)
{
    // A protected place is shown in the ranking but can never be ticked.
    if (selected) {
        const auto it = std::find_if(m_entries.cbegin(), m_entries.cend(),
                                     [&path](const StorageEntry& e) { return e.path == path; });
        if (it != m_entries.cend() && it->isProtected)
            return;
    }
    const bool changed = selected ? !m_selected.contains(path) : m_selected.contains(path);
    if (!changed)
        return;
    if (selected)
        m_selected.insert(path);
    else
        m_selected.remove(path);
    emit selectionChanged();
}

void StorageAnalysisModel::deleteSelected()
{
    if (m_isScanning || m_isDeleting)
        return;
    const QList<StorageEntry> entries = movableSelection();
    if (entries.isEmpty())
        return;
    setDeleting(true);
    const QString directory = m_currentDirectory;
    m_deletionWatcher.setFuture(runJob(m_run.wrap(
        QStringLiteral("storage"),
        [directory, entries] {
            return Deletion{directory, StorageEngine::moveToTrash(entries)};
        },
        entries.size())));
}

QList<StorageEntry> StorageAnalysisModel::movableSelection() const
{
    QList<StorageEntry> entries;
    for (const StorageEntry& e : selectedEntries())
        if (!e.isProtected)
            entries.append(e);
    return entries;
}

StorageAnalysisModel::DeletionSummary StorageAnalysisModel::deletionSummary() const
{
    constexpr qsizetype kNamed = 3;
    DeletionSummary summary;
    QStringList names;
    for (const StorageEntry& e : movableSelection()) {
        ++summary.count;
        summary.size += e.size;
        summary.hasFolder = summary.hasFolder || e.isDirectory;
        if (names.size() < kNamed)
            names.append(lastPathComponent(e.path));
    }
    summary.text = QStringLiteral("将 %1 项（%2）移到废纸篓：%3")
                       .arg(summary.count)
                       .arg(formattedByteCount(summary.size), names.join(QStringLiteral("、")));
    if (summary.count > kNamed)
        summary.text += QStringLiteral(" 等");
    return summary;
}

void StorageAnalysisModel::onDeletionFinished()
{
    const Deletion deletion = m_deletionWatcher.future().result();
    // Every ancestor's size changed, and folders below may have gone.
    m_snapshots.clear();
    m_tree.reset();
    if (deletion.directory == m_currentDirectory) {
        const QSet<QString> moved(deletion.result.moved.cbegin(), deletion.result.moved.cend());
        QList<StorageEntry> remaining;
        for (const StorageEntry& e : std::as_const(m_entries))
            if (!moved.contains(e.path))
                remaining.append(e);
        if (remaining.size() != m_entries.size())
            setEntries(std::move(remaining), m_entriesDirectory);
        bool selectionChanged = false;
        for (const QString& path : moved)
            selectionChanged = m_selected.remove(path) || selectionChanged;
        if (selectionChanged)
            emit this->selectionChanged();
        setMessage(deletion.result.message);
    }
    m_run.finish(deletion.result.message);
    setDeleting(false);
    // The Trash card counts again, as after every other clean that moved something.
    if (!deletion.result.moved.isEmpty())
        Notifications::instance().postTrashContentsDidChange();
    emit deletionFinished();
}

void StorageAnalysisModel::setCurrentDirectory(const QString& directory)
{
    if (!ViewModelSupport::assign(m_currentDirectory, directory))
        return;
    m_arrangement.nameFilter.clear();
    emit currentDirectoryChanged();
}

void StorageAnalysisModel::toggleAllSelection()
{
    QList<qsizetype> rows = shownRows();
    rows.removeIf([this](qsizetype i) { return m_entries[i].isProtected; });
    const bool all =
        std::all_of(rows.cbegin(), rows.cend(), [this](qsizetype i) { return isSelected(m_entries[i].path); });
    // One change for the whole set, not one per row.
    const qsizetype before = m_selected.size();
    for (qsizetype i : rows) {
        if (all)
            m_selected.remove(m_entries[i].path);
        else
            m_selected.insert(m_entries[i].path);
    }
    if (m_selected.size() != before)
        emit selectionChanged();
}

void StorageAnalysisModel::setSortKey(ListSortKey key)
{
    if (ViewModelSupport::assign(m_arrangement.key, key))
        emit entriesChanged();
}

void StorageAnalysisModel::setNameFilter(const QString& text)
{
    if (ViewModelSupport::assign(m_arrangement.nameFilter, text))
        emit entriesChanged();
}

void StorageAnalysisModel::setEntries(QList<StorageEntry> entries, const QString& directory)
{
    m_entries = std::move(entries);
    m_entriesDirectory = directory;
    emit entriesChanged();
}

void StorageAnalysisModel::setScanning(bool scanning)
{
    if (ViewModelSupport::assign(m_isScanning, scanning))
        emit isScanningChanged();
}

void StorageAnalysisModel::setDeleting(bool deleting)
{
    if (ViewModelSupport::assign(m_isDeleting, deleting))
        emit isDeletingChanged();
}

void StorageAnalysisModel::setMessage(const QString& message)
{
    if (ViewModelSupport::assign(m_message, message))
        emit messageChanged();
}

void StorageAnalysisModel::clearSelection()
{
    if (m_selected.isEmpty())
        return;
    m_selected.clear();
    emit selectionChanged();
}

} // namespace Sweepora::Core
