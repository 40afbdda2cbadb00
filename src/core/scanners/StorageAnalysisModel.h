#pragma once

#include "core/scanners/ScanWatch.h"
#include "core/scanners/StorageEngine.h"
#include "core/scanners/StorageTree.h"
#include "core/trash/CleanRun.h"
#include "core/util/ListArrangement.h"

#include <QFutureWatcher>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace Sweepora::Core {

// The storage analysis: one folder at a time, its children ranked by size; the user walks into
// folders and back along the path taken, and moves ticked children to the Trash. One walk of a
// folder builds the whole tree below it (StorageTree), so walking into its folders and back is
// instant and never walks again, and the treemap draws from it; a deletion or a refresh drops it
// (every ancestor's size changed).
//
// The listing on screen always belongs to `currentDirectory`: when the user moves on while a
// listing is being computed, that listing is still cached for its folder, and then the folder
// the user is in is shown (from the cache, or computed next).
class StorageAnalysisModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString currentDirectory READ currentDirectory NOTIFY currentDirectoryChanged)
    Q_PROPERTY(QList<Sweepora::Core::StorageEntry> entries READ entries NOTIFY entriesChanged)
    Q_PROPERTY(bool isScanning READ isScanning NOTIFY isScanningChanged)
    Q_PROPERTY(bool isDeleting READ isDeleting NOTIFY isDeletingChanged)
    Q_PROPERTY(QSet<QString> selectedEntryIDs READ selectedEntryIDs NOTIFY selectionChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)

public:
    static inline const QString kInitialMessage = QStringLiteral("选择一个目录查看空间占用排行");
    static inline const QString kComputingMessage = QStringLiteral("正在计算当前目录大小…");
    static inline const QString kCancelledMessage = QStringLiteral("已取消计算，可重新扫描");

    // Starts at the real home folder; nothing is listed until refresh() or a chosen folder.
    explicit StorageAnalysisModel(QObject* parent = nullptr);
    ~StorageAnalysisModel() override;

    const QString& currentDirectory() const { return m_currentDirectory; }
    const QList<StorageEntry>& entries() const { return m_entries; }
    bool isScanning() const { return m_isScanning; }
    bool isDeleting() const { return m_isDeleting; }
    const QSet<QString>& selectedEntryIDs() const { return m_selected; }
    const QString& message() const { return m_message; }
    // The running deletion's progress and cancel, then the undo of the last one.
    CleanRun& cleanRun() { return m_run; }
    // The running computation's walk: what it counted so far.
    ScanWatch& scanWatch() { return m_watch; }
    const QStringList& directoryStack() const { return m_stack; }
    bool hasCachedListing(const QString& directory) const { return m_snapshots.contains(directory); }
    // The tree the listings come from (null before the first walk): the treemap draws it.
    std::shared_ptr<const StorageTree> tree() const { return m_tree; }
    // The current folder in that tree, when the tree holds it.
    std::optional<StorageTree::Index> currentFolderIndex() const;
    // The row of the current listing that a child of the current folder in the tree is.
    std::optional<StorageEntry> entryForChild(StorageTree::Index child) const;

    QList<StorageEntry> selectedEntries() const;
    qint64 totalSize() const;
    qint64 selectedSize() const;
    bool isSelected(const QString& path) const { return m_selected.contains(path); }

    // Asks FolderPicker::current() for a folder and starts over there.
    void chooseDirectory();
    // Only folders that are children of the current folder (a row of its listing).
    void enterDirectory(const StorageEntry& entry);
    // Back along the path taken; never above the folder where the path started.
    void goUp();
    // Computes the current folder again.
    void refresh();
    // Stops the running computation; a partial count is never shown, so the folder stays
    // unlisted until it is computed again.
    void cancelListing();
    // Whether folders and files whose names start with a dot are listed (off at first): the
    // cached listings are dropped and the current folder is listed again.
    bool showsHidden() const { return m_showsHidden; }
    void setShowsHidden(bool shows);
    void loadCurrentDirectory();
    void setSelected(const QString& path, bool selected);
    // Ticks every row shown that may be moved, or clears them when all of them are ticked; rows
    // a name filter hides keep their ticks.
    void toggleAllSelection();

    // The order and name filter of the listing shown; a change is published as entriesChanged.
    // The order stays from folder to folder; the filter, which names one folder's children, is
    // cleared when another folder is shown.
    const ListArrangement& arrangement() const { return m_arrangement; }
    void setSortKey(ListSortKey key);
    void setNameFilter(const QString& text);
    // The indexes into entries() of the rows shown, in their order.
    QList<qsizetype> shownRows() const { return m_arrangement.shown(m_entries); }
    // What deleteSelected() would move; the page asks first when it holds a folder: "将 {n} 项（{size}）
    // 移到废纸篓：{names}…", naming the first few.
    struct DeletionSummary
    {
        qsizetype count = 0;
        qint64 size = 0;
        bool hasFolder = false;
        QString text;
    };
    DeletionSummary deletionSummary() const;
    void deleteSelected();

signals:
    void currentDirectoryChanged();
    void entriesChanged();
    void isScanningChanged();
    void isDeletingChanged();
    void selectionChanged();
    void messageChanged();
    // A listing was computed and cached (for whichever folder it was).
    void listingFinished();
    void deletionFinished();

private:
    struct Listing
    {
        QString directory;
        QList<StorageEntry> entries;
        bool showsHidden = false;
        std::shared_ptr<const StorageTree> tree;
    };
    struct Deletion
    {
        QString directory;
        TrashBatchResult result;
    };

    void onListingFinished();
    bool listFromTree(const QString& directory);
    void onDeletionFinished();
    void showListing(const QString& directory, const QList<StorageEntry>& entries);
    void moveTo(const QString& directory, bool resetPath);
    QList<StorageEntry> movableSelection() const;
    void setCurrentDirectory(const QString& directory);
    void setEntries(QList<StorageEntry> entries, const QString& directory);
    void setScanning(bool scanning);
    void setDeleting(bool deleting);
    void setMessage(const QString& message);
    void clearSelection();

    QString m_currentDirectory;
    QList<StorageEntry> m_entries;
    QString m_entriesDirectory; // the folder `m_entries` lists; empty before the first listing
    bool m_isScanning = false;
    bool m_isDeleting = false;
    QSet<QString> m_selected;
    QString m_message = kInitialMessage;
    QStringList m_stack;
    QHash<QString, QList<StorageEntry>> m_snapshots;
    bool m_showsHidden = false;
    std::shared_ptr<const StorageTree> m_tree;

    QFutureWatcher<Listing> m_listingWatcher;
    ScanWatch m_watch;
    QFutureWatcher<Deletion> m_deletionWatcher;
    CleanRun m_run;
    ListArrangement m_arrangement;
};

} // namespace Sweepora::Core
