#pragma once

#include "core/apps/ApplicationCacheEngine.h"
#include "core/platform/ProgressRelay.h"
#include "core/scanners/FileListViewModel.h"

#include <QFutureWatcher>
#include <QList>
#include <QString>

namespace Sweepora::Core {

namespace QuickScan {
struct Options;
}

// The application cache cleaner behind the 应用清理 page and the quick cleanup: finds, for every
// installed application, the files of its cache, log, web-storage and temporary folders, and
// moves the files of the ticked applications to the Trash. Published state changes on the GUI
// thread only; the scan and the clean run as one job each and hand their result back once. A
// scan asks for the home grant first (Authorizing) and keeps the last clean's undo.
class ApplicationCleanupViewModel : public FileListViewModel
{
    Q_OBJECT
    Q_PROPERTY(QString scanningApp READ scanningApp NOTIFY scanningAppChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)

public:
    explicit ApplicationCleanupViewModel(QObject* parent = nullptr);
    ~ApplicationCleanupViewModel() override;

    const QList<ApplicationCleanupResult>& results() const { return m_results; }
    const QString& scanningApp() const { return m_scanningApp; }
    double progress() const { return m_progress; }

    qint64 selectedSize() const;
    qint64 totalSize() const;

    // Ignored while busy; needs the home grant. cancelScan() lists the applications scanned to
    // the end, not the one cut short.
    void startScan();
    // Joins the quick cleanup's scan instead of scanning alone: its progress and its hand-back go
    // into `options`. Nothing while busy.
    void joinQuickScan(QuickScan::Options& options);
    void clean();
    void toggleSelection(const QString& resultID);
    void toggleAllSelection();

    // Folders reached through the folder access manager, as the window reaches them.
    static ApplicationCacheEngine::Access accessThroughManager();

signals:
    // filesChanged under the name the pages and the quick cleanup know.
    void resultsChanged();
    void scanningAppChanged();
    void progressChanged();

protected:
    void removeCleaned(const QSet<QString>& done) override;

private:
    void runScan();
    // Publishes that a scan runs; its walks count into what this returns.
    std::shared_ptr<WalkProgress> beginScan();
    void setScanningApp(const QString& name);
    void setProgress(double progress);

    QList<ApplicationCleanupResult> m_results;
    QString m_scanningApp = QStringLiteral("准备扫描");
    double m_progress = 0;

    // Owned here: when the view model goes, a scan still running publishes nothing.
    QFutureWatcher<QList<ApplicationCleanupResult>> m_scanWatcher;
    std::shared_ptr<ProgressRelay> m_relay = ProgressRelay::create();
};

} // namespace Sweepora::Core
