#pragma once

#include "apps/ApplicationCacheEngine.h"
#include "platform/ProgressRelay.h"
#include "trash/CleanRun.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>

namespace Sweepora::Core {

// The application cache cleaner behind the 应用清理 page and the quick cleanup: finds, for every
// installed application, the files of its cache, log, web-storage and temporary folders, and
// moves the files of the ticked applications to the Trash. Published state changes on the GUI
// thread only; the scan and the clean run as one job each and hand their result back once.
class ApplicationCleanupViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    Q_PROPERTY(QString scanningApp READ scanningApp NOTIFY scanningAppChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)

public:
    explicit ApplicationCleanupViewModel(QObject* parent = nullptr);
    ~ApplicationCleanupViewModel() override;

    const QList<ApplicationCleanupResult>& results() const { return m_results; }
    ApplicationCleanupState state() const { return m_state; }
    const QString& message() const { return m_message; }
    // The running clean's progress and cancel, then the undo of the last clean.
    CleanRun& cleanRun() { return m_run; }
    const QString& scanningApp() const { return m_scanningApp; }
    double progress() const { return m_progress; }

    qint64 selectedSize() const;
    qint64 totalSize() const;

    void startScan();
    // Stops the running scan: the applications scanned to the end are listed, the one cut short
    // is not.
    void cancelScan();
    void clean();
    void toggleSelection(const QString& resultID);
    void toggleAllSelection();

    // Folders reached through the folder access manager, as the window reaches them.
    static ApplicationCacheEngine::Access accessThroughManager();

signals:
    void resultsChanged();
    void stateChanged();
    void messageChanged();
    void scanningAppChanged();
    void progressChanged();
    void scanFinished();
    void cleanFinished();

private:
    void runScan();
    void setState(ApplicationCleanupState state);
    void setMessage(const QString& message);
    void setScanningApp(const QString& name);
    void setProgress(double progress);

    QList<ApplicationCleanupResult> m_results;
    ApplicationCleanupState m_state = ApplicationCleanupState::Ready;
    QString m_message = QStringLiteral("准备扫描应用缓存");
    QString m_scanningApp = QStringLiteral("准备扫描");
    double m_progress = 0;

    // Owned here: when the view model goes, a job still running publishes nothing.
    QFutureWatcher<QList<ApplicationCleanupResult>> m_scanWatcher;
    std::shared_ptr<WalkProgress> m_walk; // the running scan's, for its cancel
    std::shared_ptr<ProgressRelay> m_relay = ProgressRelay::create();
    QFutureWatcher<ApplicationCacheEngine::CleanOutcome> m_cleanWatcher;
    CleanRun m_run;
};

} // namespace Sweepora::Core
