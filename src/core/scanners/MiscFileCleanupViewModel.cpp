#include "core/scanners/MiscFileCleanupViewModel.h"

#include "core/access/AccessManager.h"
#include "core/platform/Clock.h"
#include "core/platform/Jobs.h"
#include "core/quick/QuickScan.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ViewModelSupport.h"

namespace Sweepora::Core {

MiscFileCleanupViewModel::MiscFileCleanupViewModel(MiscFileCategory category, QObject* parent)
    : FileListViewModel(miscFileTexts(category).initialMessage, parent), m_category(category)
{
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        MiscFileEngine::Report report = m_scanWatcher.future().result();
        const bool cancelled = scanWatch().finish();
        m_files = std::move(report.items);
        const QString found = miscFileTexts(m_category).resultMessage(m_files.size());
        finishScan(cancelled ? QStringLiteral("扫描已取消，") + found : found);
    });
}

MiscFileCleanupViewModel::~MiscFileCleanupViewModel() = default;

qint64 MiscFileCleanupViewModel::selectedSize() const
{
    return ViewModelSupport::selectedSize(m_files);
}

qint64 MiscFileCleanupViewModel::totalSize() const
{
    return ViewModelSupport::totalSize(m_files);
}

bool MiscFileCleanupViewModel::beginScan()
{
    if (!mayStartScan())
        return false;
    setState(ScanState::scanning);
    m_files.clear();
    emit filesChanged();
    setMessage(miscFileTexts(m_category).scanningMessage());
    return true;
}

void MiscFileCleanupViewModel::joinQuickScan(QuickScan::Options& options)
{
    if (!beginScan())
        return;
    scanWatch().follow(options.homeWalk);
    options.fileScans.append({m_category, QuickScan::handBackTo(m_scanWatcher)});
}

void MiscFileCleanupViewModel::startScan()
{
    if (!beginScan())
        return;
    // Fixed here, on the GUI thread, so the whole scan counts from one moment.
    const std::optional<QDateTime> cutoff = MiscFileEngine::cutoffFor(Clock::now());
    const QString home = AccessManager::homeDirectoryURL().path();
    m_scanWatcher.setFuture(runJob([home, category = m_category, cutoff, progress = scanWatch().start()] {
        return MiscFileEngine::findFiles(home, category, cutoff, progress);
    }));
}

void MiscFileCleanupViewModel::toggleSelection(const QString& path)
{
    if (ViewModelSupport::toggle(m_files, &MiscFileItem::path, path))
        emit filesChanged();
}

void MiscFileCleanupViewModel::toggleAllSelection()
{
    if (ViewModelSupport::toggleAll(m_files, shownRows()))
        emit filesChanged();
}

void MiscFileCleanupViewModel::clean()
{
    const QList<MiscFileItem> selection = ViewModelSupport::selected(m_files);
    if (!mayClean(!selection.isEmpty()))
        return;
    startClean(
        MiscFileEngine::commandName(m_category),
        [selection, category = m_category] { return MiscFileEngine::moveToTrash(selection, category); },
        selection.size());
}

void MiscFileCleanupViewModel::removeCleaned(const QSet<QString>& done)
{
    m_files = ViewModelSupport::without(m_files, &MiscFileItem::path, done);
}

} // namespace Sweepora::Core
