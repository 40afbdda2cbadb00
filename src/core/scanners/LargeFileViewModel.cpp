#include "scanners/LargeFileViewModel.h"

#include "access/AccessManager.h"
#include "platform/Jobs.h"
#include "platform/Notifications.h"
#include "util/ViewModelSupport.h"

#include <QSet>

namespace Sweepora::Core {

LargeFileViewModel::LargeFileViewModel(QObject* parent) : QObject(parent)
{
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        ScanOutcome outcome = m_scanWatcher.future().result();
        m_files = std::move(outcome.report.items);
        m_scanned.clear();
        for (const ScannedFile& f : std::as_const(outcome.scanned))
            m_scanned.insert(f.path, f);
        emit filesChanged();
        setState(ScanState::Scanned);
        setMessage(outcome.report.message);
        emit scanFinished();
    });
    connect(&m_cleanWatcher, &QFutureWatcherBase::finished, this, [this] {
        const TrashBatchResult result = m_cleanWatcher.future().result();
        m_files = ViewModelSupport::without(m_files, &LargeFileItem::path,
                                            QSet<QString>(result.moved.cbegin(), result.moved.cend()));
        for (const QString& path : result.moved)
            m_scanned.remove(path);
        emit filesChanged();
        setState(ScanState::Scanned);
        setMessage(result.message);
        if (!result.moved.isEmpty())
            Notifications::instance().postTrashContentsDidChange();
        emit cleanFinished();
    });
}

LargeFileViewModel::~LargeFileViewModel() = default;

qint64 LargeFileViewModel::selectedSize() const
{
    return ViewModelSupport::selectedSize(m_files);
}

void LargeFileViewModel::startScan(double minimumGigabytes)
{
    if (m_state == ScanState::Scanning || m_state == ScanState::Cleaning)
        return;
    if (!AccessManager::hasHomeAccess()) {
        setMessage(QStringLiteral("请先授权个人文件夹"));
        return;
    }
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
    if (m_state != ScanState::Scanned)
        return;
    QList<ScannedFile> selection;
    for (const LargeFileItem& item : std::as_const(m_files)) {
        if (!item.selected)
            continue;
        ScannedFile scanned = m_scanned.value(item.path);
        scanned.path = item.path; // without a record it is unidentified: reported, never moved
        selection.append(scanned);
    }
    if (selection.isEmpty())
        return;
    setState(ScanState::Cleaning);
    setMessage(QStringLiteral("正在移到废纸篓…"));
    m_cleanWatcher.setFuture(runJob([selection] { return LargeFileEngine::moveUnchangedToTrash(selection); }));
}

void LargeFileViewModel::setState(ScanState state)
{
    if (ViewModelSupport::assign(m_state, state))
        emit stateChanged();
}

void LargeFileViewModel::setMessage(const QString& message)
{
    if (ViewModelSupport::assign(m_message, message))
        emit messageChanged();
}

} // namespace Sweepora::Core
