#pragma once

#include "core/scanners/DuplicateFileEngine.h"
#include "core/scanners/FileListViewModel.h"

#include <QFutureWatcher>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

namespace Sweepora::Core {

// The duplicate finder behind the 重复文件 page: scans the home folder (or a folder the user
// picked) for files with equal contents, keeps one copy of each group and ticks the others,
// and moves the ticked copies to the Trash. Published state changes on the GUI thread only; the
// scan and the clean run as one job each and hand their result back once. While scanning, the
// progress (files and bytes hashed of the total) is read from the job's counters on a timer.
class DuplicateFileViewModel : public FileListViewModel
{
    Q_OBJECT

public:
    // What the kind filter offers; a group's kind is its kept copy's.
    enum class Kind { all, images, videos, documents, archives, other };
    static Kind kindOf(const QString& path);

    explicit DuplicateFileViewModel(QObject* parent = nullptr);
    ~DuplicateFileViewModel() override;

    // The groups of the last scan that pass the kind filter, most space wasted first.
    const QList<DuplicateGroup>& groups() const { return m_shown; }
    qint64 selectedSize() const;
    qsizetype selectedCount() const;

    struct ScanProgress
    {
        qint64 filesDone = 0;
        qint64 filesTotal = 0;
        qint64 bytesDone = 0;
        qint64 bytesTotal = 0;
    };
    const ScanProgress& progress() const { return m_progress; }

    Kind kind() const { return m_kind; }
    void setKind(Kind kind);
    qint64 minimumSize() const { return m_minimumSize; }
    // Applies to the next scan.
    void setMinimumSize(qint64 bytes);
    // The folder scanned; empty for the home folder. A picked folder must have been opened
    // as a scope by the picker.
    const QString& scanFolder() const { return m_scanFolder; }
    void setScanFolder(const QString& folder);
    // Copies in these folders are kept and never ticked; a change re-ticks the groups shown.
    const QStringList& referenceFolders() const { return m_referenceFolders; }
    void addReferenceFolder(const QString& folder);
    void removeReferenceFolder(const QString& folder);
    // Ask FolderPicker::current() for the folder to scan, or for a reference folder; the
    // chosen folder's scope opens (and stays open) when the answer comes.
    void pickScanFolder();
    void pickReferenceFolder();

    // Ignored while scanning or cleaning; needs the home grant.
    void startScan();
    void cancelScan();
    // The kept copy cannot be ticked: keep another copy first.
    void toggleSelection(const QString& path);
    // Ticks every copy but the kept ones and those in reference folders, or clears all when
    // they all are ticked.
    void toggleAllSelection();
    void keepCopy(const QString& path);
    void clean();

signals:
    void progressChanged();
    void settingsChanged();

protected:
    void removeCleaned(const QSet<QString>& done) override;

private:
    void applyFilter();
    void pollProgress();
    void retick();
    void pickFolder(const QString& title, const std::function<void(const QString&)>& use);

    QList<DuplicateGroup> m_groups; // everything the last scan found, as the user left it
    QList<DuplicateGroup> m_shown;
    Kind m_kind = Kind::all;
    qint64 m_minimumSize = DuplicateFileEngine::kDefaultMinimumSize;
    QString m_scanFolder;
    QStringList m_referenceFolders;
    ScanProgress m_progress;
    std::shared_ptr<DuplicateFileEngine::Progress> m_counters;
    QTimer m_poll;

    // Owned by the view model: when it goes, a job still running publishes nothing.
    QFutureWatcher<DuplicateFileEngine::Report> m_scanWatcher;
};

} // namespace Sweepora::Core
