#pragma once

#include "rules/CleanupResult.h"
#include "scanners/MiscFileEngine.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>

namespace Sweepora::Core {

class SharedHomeWalk;

// One of the three cleaners of files found by name: 闲杂文件, old 压缩包 or old 安装包, told
// apart by the category fixed at construction. The window keeps one model per category for
// the whole process, so the quick cleanup and the category's page share its list. Published
// state changes on the GUI thread only; states used: Ready, Scanning, Scanned, Cleaning.
class MiscFileCleanupViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Sweepora::Core::ScanState state READ state NOTIFY stateChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)

public:
    explicit MiscFileCleanupViewModel(MiscFileCategory category, QObject* parent = nullptr);
    ~MiscFileCleanupViewModel() override;

    MiscFileCategory category() const { return m_category; }
    ScanState state() const { return m_state; }
    const QList<MiscFileItem>& files() const { return m_files; }
    const QString& message() const { return m_message; }
    qint64 selectedSize() const;
    qint64 totalSize() const;

    // Ignored while scanning or cleaning; needs the home grant. The age rule counts from
    // Clock::now() at the moment the scan starts. With `sharedWalk`, the scan joins that walk of
    // the home folder (the caller starts it) instead of walking on its own.
    void startScan(SharedHomeWalk* sharedWalk = nullptr);
    void toggleSelection(const QString& path);
    // Selects all, or deselects all when everything is selected.
    void toggleAllSelection();
    void clean();

signals:
    void stateChanged();
    void filesChanged();
    void messageChanged();
    // A scan or a clean handed its result back (after the state changed).
    void scanFinished();
    void cleanFinished();

private:
    void setState(ScanState state);
    void setMessage(const QString& message);

    const MiscFileCategory m_category;
    ScanState m_state = ScanState::Ready;
    QList<MiscFileItem> m_files;
    QString m_message;

    // Owned by the view model: when it goes, a job still running publishes nothing.
    QFutureWatcher<MiscFileEngine::Report> m_scanWatcher;
    QFutureWatcher<TrashBatchResult> m_cleanWatcher;
};

} // namespace Sweepora::Core
