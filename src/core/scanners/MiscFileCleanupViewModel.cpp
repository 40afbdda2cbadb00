#include "scanners/MiscFileCleanupViewModel.h"

#include "access/AccessManager.h"
#include "platform/Clock.h"
#include "platform/Jobs.h"
#include "platform/Notifications.h"
#include "scanners/SharedHomeWalk.h"
#include "util/ViewModelSupport.h"

#include <QSet>

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
        m_files = ViewModelSupport::without(m_files, &MiscFileItem::path,
                                            QSet<QString>(result.moved.cbegin(), result.moved.cend()));
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
    return ViewModelSupport::selectedSize(m_files);
}

qint64 MiscFileCleanupViewModel::totalSize() const
{
    return ViewModelSupport::totalSize(m_files);
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
    if (ViewModelSupport::toggle(m_files, &MiscFileItem::path, path))
        emit filesChanged();
}

void MiscFileCleanupViewModel::toggleAllSelection()
{
    if (ViewModelSupport::toggleAll(m_files))
        emit filesChanged();
}

void MiscFileCleanupViewModel::clean()
{
    if (m_state != ScanState::Scanned)
        return;
    const QList<MiscFileItem> selection = ViewModelSupport::selected(m_files);
    if (selection.isEmpty())
        return;
    setState(ScanState::Cleaning);
    setMessage(QStringLiteral("正在移到废纸篓…"));
    m_cleanWatcher.setFuture(runJob([selection] { return MiscFileEngine::moveToTrash(selection); }));
}

void MiscFileCleanupViewModel::setState(ScanState state)
{
    if (ViewModelSupport::assign(m_state, state))
        emit stateChanged();
}

void MiscFileCleanupViewModel::setMessage(const QString& message)
{
    if (ViewModelSupport::assign(m_message, message))
        emit messageChanged();
}

} // namespace Sweepora::Core
