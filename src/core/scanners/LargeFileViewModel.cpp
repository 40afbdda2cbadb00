#include "core/scanners/LargeFileViewModel.h"

#include "core/access/AccessManager.h"
#include "core/platform/Jobs.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ViewModelSupport.h"

#include <QSet>

namespace Sweepora::Core {

LargeFileViewModel::LargeFileViewModel(QObject* parent)
    : FileListViewModel(QStringLiteral("选择大小后扫描个人文件夹"), parent)
{
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        LargeFileEngine::Report report = m_scanWatcher.future().result();
        const bool cancelled = scanWatch().finish();
        m_files = std::move(report.items);
        m_scanned = m_files;
        const QString found = SectionTexts::largeFilesFound(m_files.size());
        finishScan(cancelled ? QStringLiteral("扫描已取消，") + found : found);
    });
}

LargeFileViewModel::~LargeFileViewModel() = default;

qint64 LargeFileViewModel::selectedSize() const
{
    return ViewModelSupport::selectedSize(m_files);
}

void LargeFileViewModel::startScan(double minimumGigabytes)
{
    if (!mayStartScan())
        return;
    setState(ScanState::scanning);
    m_files.clear();
    emit filesChanged();
    setMessage(SectionTexts::largeFilesSearching(minimumGigabytes));
    m_scannedThreshold = LargeFileEngine::thresholdBytes(minimumGigabytes);
    const QString home = AccessManager::homeDirectoryURL().path();
    m_scanWatcher.setFuture(runJob([home, minimumGigabytes, progress = scanWatch().start()] {
        return LargeFileEngine::findLargeFiles(home, minimumGigabytes, progress);
    }));
}

void LargeFileViewModel::applyThreshold(double minimumGigabytes)
{
    if (state() != ScanState::scanned)
        return;
    const qint64 threshold = LargeFileEngine::thresholdBytes(minimumGigabytes);
    if (threshold < m_scannedThreshold) {
        startScan(minimumGigabytes);
        return;
    }
    QSet<QString> ticked;
    for (const LargeFileItem& item : std::as_const(m_files))
        if (item.selected)
            ticked.insert(item.path);
    QList<LargeFileItem> shown;
    for (LargeFileItem item : std::as_const(m_scanned)) {
        if (item.size < threshold)
            continue;
        item.selected = ticked.contains(item.path);
        shown.append(item);
    }
    m_files = std::move(shown);
    emit filesChanged();
    setMessage(SectionTexts::largeFilesFound(m_files.size()));
}

void LargeFileViewModel::toggleSelection(const QString& path)
{
    if (ViewModelSupport::toggle(m_files, &LargeFileItem::path, path))
        emit filesChanged();
}

void LargeFileViewModel::toggleAllSelection()
{
    if (ViewModelSupport::toggleAll(m_files, shownRows()))
        emit filesChanged();
}

void LargeFileViewModel::clean()
{
    QList<LargeFileItem> selection;
    for (const LargeFileItem& item : std::as_const(m_files))
        if (item.selected)
            selection.append(item);
    if (!mayClean(!selection.isEmpty()))
        return;
    startClean(
        QStringLiteral("large"), [selection] { return LargeFileEngine::moveToTrash(selection); }, selection.size());
}

void LargeFileViewModel::removeCleaned(const QSet<QString>& done)
{
    m_files = ViewModelSupport::without(m_files, &LargeFileItem::path, done);
    m_scanned = ViewModelSupport::without(m_scanned, &LargeFileItem::path, done);
}

} // namespace Sweepora::Core
