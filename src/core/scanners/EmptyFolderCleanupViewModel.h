#pragma once

#include "scanners/EmptyFolderEngine.h"
#include "scanners/ScanWatch.h"
#include "trash/CleanRun.h"
#include "util/ScanState.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>

namespace Sweepora::Core {

class SharedHomeWalk;

// The empty folder cleaner behind 空文件夹清理 and the quick cleanup: lists the folders of the
// home folder that hold nothing, deepest first, and moves the ticked ones to the Trash after
// checking each again. Published state changes on the GUI thread only.
class EmptyFolderCleanupViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Sweepora::Core::ScanState state READ state NOTIFY stateChanged)
    Q_PROPERTY(QList<Sweepora::Core::EmptyFolderItem> folders READ folders NOTIFY foldersChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)

public:
    using State = ScanState;

    explicit EmptyFolderCleanupViewModel(QObject* parent = nullptr);
    ~EmptyFolderCleanupViewModel() override;

    State state() const { return m_state; }
    const QList<EmptyFolderItem>& folders() const { return m_folders; }
    const QString& message() const { return m_message; }
    // The running clean's progress and cancel, then the undo of the last clean.
    CleanRun& cleanRun() { return m_run; }
    qsizetype selectedCount() const;
    // The running scan's walk: what it covered so far.
    ScanWatch& scanWatch() { return m_watch; }

    // Ignored while scanning or cleaning; needs the home grant. With `sharedWalk`, the scan
    // joins that walk of the home folder (the caller starts it) instead of walking on its own.
    void startScan(SharedHomeWalk* sharedWalk = nullptr);
    void clean();
    void toggleSelection(const QString& path);
    void toggleAllSelection();
    // Stops the running scan; the empty folders found so far are listed.
    void cancelScan();

signals:
    void stateChanged();
    void foldersChanged();
    void messageChanged();
    // A scan or a clean handed its result back (after the state changed).
    void scanFinished();
    void cleanFinished();

private:
    void setState(State state);
    void setMessage(const QString& message);

    State m_state = State::Ready;
    QList<EmptyFolderItem> m_folders;
    QString m_message = QStringLiteral("扫描个人文件夹中的空目录");

    // Owned here: when the model goes, a job still running publishes nothing.
    QFutureWatcher<EmptyFolderEngine::Report> m_scanWatcher;
    QFutureWatcher<TrashBatchResult> m_cleanWatcher;
    CleanRun m_run;
    ScanWatch m_watch;
};

} // namespace Sweepora::Core
