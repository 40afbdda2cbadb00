#pragma once

#include "core/scanners/FileListViewModel.h"
#include "core/scanners/LargeFileEngine.h"

#include <QFutureWatcher>
#include <QHash>
#include <QList>
#include <QString>

namespace Sweepora::Core {

// The large file finder behind the 大文件清理 page: scans the home folder for files of at least
// a threshold, lets the user tick them, and moves the ticked ones to the Trash. Published
// state changes on the GUI thread only; the scan and the clean run as one job each and hand
// their result back once. States used: Ready, Scanning, Scanned, Cleaning.
class LargeFileViewModel : public FileListViewModel
{
    Q_OBJECT

public:
    explicit LargeFileViewModel(QObject* parent = nullptr);
    ~LargeFileViewModel() override;

    const QList<LargeFileItem>& files() const { return m_files; }
    qint64 selectedSize() const;
    // The indexes into files() of the rows shown, in their order.
    QList<qsizetype> shownRows() const { return arrangement().shown(m_files); }

    // Ignored while scanning or cleaning; needs the home grant.
    void startScan(double minimumGigabytes);
    void toggleSelection(const QString& path);
    // Selects all rows shown, or deselects them when all of them are selected.
    void toggleAllSelection();
    void clean();
    // A new threshold after a scan: a higher one filters the scanned list at once (ticks kept),
    // a lower one scans again, since the scan never kept the smaller files.
    void applyThreshold(double minimumGigabytes);

protected:
    void removeCleaned(const QSet<QString>& done) override;

private:
    QList<LargeFileItem> m_files;
    QList<LargeFileItem> m_scanned; // the whole result of the last scan, at m_scannedThreshold
    qint64 m_scannedThreshold = 0;

    // Owned by the view model: when it goes, a job still running publishes nothing.
    QFutureWatcher<LargeFileEngine::Report> m_scanWatcher;
};

} // namespace Sweepora::Core
