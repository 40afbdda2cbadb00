#pragma once

#include "rules/CleanupResult.h"
#include "scanners/LargeFileEngine.h"

#include <QFutureWatcher>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

namespace Sweepora::Core {

// The large file finder behind the 大文件清理 page: scans the home folder for files of at least
// a threshold, lets the user tick them, and moves the ticked ones to the Trash. Published
// state changes on the GUI thread only; the scan and the clean run as one job each and hand
// their result back once. States used: Ready, Scanning, Scanned, Cleaning.
class LargeFileViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Sweepora::Core::ScanState state READ state NOTIFY stateChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)

public:
    explicit LargeFileViewModel(QObject* parent = nullptr);
    ~LargeFileViewModel() override;

    ScanState state() const { return m_state; }
    const QList<LargeFileItem>& files() const { return m_files; }
    const QString& message() const { return m_message; }
    qint64 selectedSize() const;

    // Ignored while scanning or cleaning; needs the home grant.
    void startScan(double minimumGigabytes);
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
    struct ScanOutcome
    {
        LargeFileEngine::Report report;
        QList<ScannedFile> scanned;
    };

    void setState(ScanState state);
    void setMessage(const QString& message);

    ScanState m_state = ScanState::Ready;
    QList<LargeFileItem> m_files;
    QString m_message = QStringLiteral("选择大小后扫描个人文件夹");
    // What the scan saw of each listed file, for the clean's check.
    QHash<QString, ScannedFile> m_scanned;

    // Owned by the view model: when it goes, a job still running publishes nothing.
    QFutureWatcher<ScanOutcome> m_scanWatcher;
    QFutureWatcher<TrashBatchResult> m_cleanWatcher;
};

} // namespace Sweepora::Core
