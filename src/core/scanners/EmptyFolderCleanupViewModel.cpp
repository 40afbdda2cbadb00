#include "core/scanners/EmptyFolderCleanupViewModel.h"

#include "core/access/AccessManager.h"
#include "core/platform/Jobs.h"
#include "core/quick/QuickScan.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ViewModelSupport.h"

#include <algorithm>

namespace Sweepora::Core {

EmptyFolderCleanupViewModel::EmptyFolderCleanupViewModel(QObject* parent)
    : FileListViewModel(QStringLiteral("扫描个人文件夹中的空目录"), parent, AfterScan::keepUndo)
{
    connect(this, &FileListViewModel::filesChanged, this, &EmptyFolderCleanupViewModel::foldersChanged);
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        EmptyFolderEngine::Report report = m_scanWatcher.future().result();
        const bool cancelled = scanWatch().finish();
        m_folders = std::move(report.items);
        const QString found = SectionTexts::emptyFoldersFound(m_folders.size());
        finishScan(cancelled ? QStringLiteral("扫描已取消，") + found : found);
    });
}

EmptyFolderCleanupViewModel::~EmptyFolderCleanupViewModel() = default;

qsizetype EmptyFolderCleanupViewModel::selectedCount() const
{
    return std::count_if(m_folders.cbegin(), m_folders.cend(), [](const EmptyFolderItem& f) { return f.selected; });
}

bool EmptyFolderCleanupViewModel::beginScan()
{
    if (!mayStartScan())
        return false;
    setState(ScanState::scanning);
    if (!m_folders.isEmpty()) {
        m_folders.clear();
        emit filesChanged();
    }
    setMessage(QStringLiteral("正在扫描空文件夹…"));
    return true;
}

void EmptyFolderCleanupViewModel::joinQuickScan(QuickScan::Options& options)
{
    if (!beginScan())
        return;
    scanWatch().follow(options.homeWalk);
    options.emptyFolders = QuickScan::handBackTo(m_scanWatcher);
}

void EmptyFolderCleanupViewModel::startScan()
{
    if (!beginScan())
        return;
    const QString home = AccessManager::homeDirectoryURL().path();
    m_scanWatcher.setFuture(
        runJob([home, progress = scanWatch().start()] { return EmptyFolderEngine::findEmptyFolders(home, progress); }));
}

void EmptyFolderCleanupViewModel::clean()
{
    const QList<EmptyFolderItem> selection = ViewModelSupport::selected(m_folders);
    if (!mayClean(!selection.isEmpty()))
        return;
    startClean(
        QStringLiteral("empty"), [selection] { return EmptyFolderEngine::moveToTrash(selection); }, selection.size());
}

void EmptyFolderCleanupViewModel::toggleSelection(const QString& path)
{
    if (ViewModelSupport::toggle(m_folders, &EmptyFolderItem::path, path))
        emit filesChanged();
}

void EmptyFolderCleanupViewModel::toggleAllSelection()
{
    if (ViewModelSupport::toggleAll(m_folders))
        emit filesChanged();
}

void EmptyFolderCleanupViewModel::removeCleaned(const QSet<QString>& done)
{
    m_folders = ViewModelSupport::without(m_folders, &EmptyFolderItem::path, done);
}

} // namespace Sweepora::Core
