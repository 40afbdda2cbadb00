#include "scanners/LargeFileViewModel.h"

#include "access/AccessManager.h"
#include "platform/Jobs.h"
#include "util/ViewModelSupport.h"

#include <QSet>

namespace Sweepora::Core {

LargeFileViewModel::LargeFileViewModel(QObject* parent)
    : FileListViewModel(QStringLiteral("选择大小后扫描个人文件夹"), parent)
{
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        ScanOutcome outcome = m_scanWatcher.future().result();
        m_files = std::move(outcome.report.items);
        m_scanned.clear();
        for (const ScannedFile& f : std::as_const(outcome.scanned))
            m_scanned.insert(f.path, f);
        finishScan(outcome.report.message);
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
    setState(ScanState::Scanning);
    m_files.clear();
    m_scanned.clear();
    emit filesChanged();
    setMessage(LargeFileEngine::scanMessage(minimumGigabytes));
    const QString home = AccessManager::homeDirectoryURL().path();
    m_scanWatcher.setFuture(runJob([home, minimumGigabytes] {
        ScanOutcome outcome;
        outcome.report = LargeFileEngine::findLargeFiles(home, minimumGigabytes);
        outcome.scanned = LargeFileEngine::identify(outcome.report.items);
        return outcome;
    }));
}

void LargeFileViewModel::toggleSelection(const QString& path)
{
    if (ViewModelSupport::toggle(m_files, &LargeFileItem::path, path))
        emit filesChanged();
}

void LargeFileViewModel::toggleAllSelection()
{
    if (ViewModelSupport::toggleAll(m_files))
        emit filesChanged();
}

void LargeFileViewModel::clean()
{
    QList<ScannedFile> selection;
    for (const LargeFileItem& item : std::as_const(m_files)) {
        if (!item.selected)
            continue;
        ScannedFile scanned = m_scanned.value(item.path);
        scanned.path = item.path; // without a record it is unidentified: reported, never moved
        selection.append(scanned);
    }
    if (!mayClean(!selection.isEmpty()))
        return;
    startClean(runJob([selection] { return LargeFileEngine::moveUnchangedToTrash(selection); }));
}

void LargeFileViewModel::removeMoved(const QStringList& moved)
{
    m_files = ViewModelSupport::without(m_files, &LargeFileItem::path, QSet<QString>(moved.cbegin(), moved.cend()));
    for (const QString& path : moved)
        m_scanned.remove(path);
}

} // namespace Sweepora::Core
