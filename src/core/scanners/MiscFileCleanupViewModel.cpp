#include "scanners/MiscFileCleanupViewModel.h"

#include "access/AccessManager.h"
#include "platform/Clock.h"
#include "platform/Jobs.h"
#include "platform/Notifications.h"
#include "scanners/ItemSelection.h"
#include "scanners/SharedHomeWalk.h"
#include "util/Published.h"

namespace Sweepora::Core {

MiscFileCleanupViewModel::MiscFileCleanupViewModel(MiscFileCategory category, QObject* parent)
    : QObject(parent), m_category(category), m_message(MiscFileEngine::initialMessage(category))
{
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        MiscFileEngine::Report report = m_scanWatcher.future().result();
        m_files = std::move(report.items);
        emit filesChanged();
        setState(ScanState::Scanned);
        setMessage(report.message);
        emit scanFinished();
    });
    connect(&m_cleanWatcher, &QFutureWatcherBase::finished, this, [this] {
        const TrashBatchResult result = m_cleanWatcher.future().result();
        ItemSelection::removeMoved(m_files, result.moved);
        emit filesChanged();
        setState(ScanState::Scanned);
        setMessage(result.message);
        if (!result.moved.isEmpty())
            Notifications::instance().postTrashContentsDidChange();
        emit cleanFinished();
    });
}

MiscFileCleanupViewModel::~MiscFileCleanupViewModel() = default;

qint64 MiscFileCleanupViewModel::selectedSize() const
{
    return ItemSelection::selectedSize(m_files);
}

qint64 MiscFileCleanupViewModel::totalSize() const
{
    return ItemSelection::totalSize(m_files);
}

void MiscFileCleanupViewModel::startScan(SharedHomeWalk* sharedWalk)
{
    if (m_state == ScanState::Scanning || m_state == ScanState::Cleaning)
        return;
    if (!AccessManager::hasHomeAccess()) {
        setMessage(QStringLiteral("请先授权个人文件夹"));
        return;
    }
    // Fixed here, on the GUI thread, so the whole scan counts from one moment.
    const std::optional<QDateTime> cutoff = MiscFileEngine::cutoffFor(Clock::now());
    setState(ScanState::Scanning);
    m_files.clear();
    emit filesChanged();
    setMessage(MiscFileEngine::scanningMessage(m_category));
    if (sharedWalk != nullptr) {
        m_scanWatcher.setFuture(sharedWalk->addFileScan(m_category, cutoff));
        return;
    }
    const QString home = AccessManager::homeDirectoryURL().path();
    const MiscFileCategory category = m_category;
    m_scanWatcher.setFuture(
        runJob([home, category, cutoff] { return MiscFileEngine::findFiles(home, category, cutoff); }));
}

void MiscFileCleanupViewModel::toggleSelection(const QString& path)
{
    if (ItemSelection::toggle(m_files, path))
        emit filesChanged();
}

void MiscFileCleanupViewModel::toggleAllSelection()
{
    if (ItemSelection::toggleAll(m_files))
        emit filesChanged();
}

void MiscFileCleanupViewModel::clean()
{
    if (m_state != ScanState::Scanned)
        return;
    const QList<MiscFileItem> selection = ItemSelection::selected(m_files);
    if (selection.isEmpty())
        return;
    setState(ScanState::Cleaning);
    setMessage(QStringLiteral("正在移到废纸篓…"));
    m_cleanWatcher.setFuture(runJob([selection] { return MiscFileEngine::moveToTrash(selection); }));
}

void MiscFileCleanupViewModel::setState(ScanState state)
{
    publish(this, m_state, state, &MiscFileCleanupViewModel::stateChanged);
}

void MiscFileCleanupViewModel::setMessage(const QString& message)
{
    publish(this, m_message, message, &MiscFileCleanupViewModel::messageChanged);
}

} // namespace Sweepora::Core
