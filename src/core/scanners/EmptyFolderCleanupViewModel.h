#pragma once

#include "core/scanners/EmptyFolderEngine.h"
#include "core/scanners/FileListViewModel.h"

#include <QFutureWatcher>
#include <QList>
#include <QString>

namespace Sweepora::Core {

namespace QuickScan {
struct Options;
}

// The empty folder cleaner behind 空文件夹清理 and the quick cleanup: lists the folders of the
// home folder that hold nothing, deepest first, and moves the ticked ones to the Trash after
// checking each again. A rescan keeps the last clean's undo: it looks for parents that the clean
// left empty. Published state changes on the GUI thread only.
class EmptyFolderCleanupViewModel : public FileListViewModel
{
    Q_OBJECT
    Q_PROPERTY(QList<Sweepora::Core::EmptyFolderItem> folders READ folders NOTIFY foldersChanged)

public:
    explicit EmptyFolderCleanupViewModel(QObject* parent = nullptr);
    ~EmptyFolderCleanupViewModel() override;

    const QList<EmptyFolderItem>& folders() const { return m_folders; }
    qsizetype selectedCount() const;

    // Ignored while scanning or cleaning; needs the home grant.
    void startScan();
    // Joins the quick cleanup's scan, on its shared walk of the home folder, instead of walking
    // alone. Nothing while busy.
    void joinQuickScan(QuickScan::Options& options);
    void clean();
    void toggleSelection(const QString& path);
    void toggleAllSelection();

signals:
    // filesChanged under the name the quick cleanup and the page know.
    void foldersChanged();

protected:
    void removeCleaned(const QSet<QString>& done) override;

private:
    bool beginScan();

    QList<EmptyFolderItem> m_folders;

    // Owned here: when the model goes, a scan still running publishes nothing.
    QFutureWatcher<EmptyFolderEngine::Report> m_scanWatcher;
};

} // namespace Sweepora::Core
