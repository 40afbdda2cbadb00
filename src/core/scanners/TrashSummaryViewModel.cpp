#include "core/scanners/TrashSummaryViewModel.h"

#include "core/access/AccessManager.h"
#include "core/platform/Jobs.h"
#include "core/platform/Log.h"
#include "core/platform/Notifications.h"
#include "core/platform/PlatformLayout.h"
#include "core/util/ByteCount.h"
#include "core/util/ViewModelSupport.h"

namespace Sweepora::Core {

TrashSummaryViewModel::TrashSummaryViewModel(QObject* parent)
    : TrashSummaryViewModel(&TrashSummaryEngine::countTrash, parent)
{}

TrashSummaryViewModel::TrashSummaryViewModel(Counter counter, QObject* parent)
    : QObject(parent), m_counter(std::move(counter))
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &TrashSummaryViewModel::onCountFinished);
    Notifications& center = Notifications::instance();
    connect(&center, &Notifications::trashContentsDidChange, this, &TrashSummaryViewModel::refreshTrashSummary);
    connect(&center, &Notifications::authorizationDidChange, this, &TrashSummaryViewModel::refreshTrashSummary);
}

TrashSummaryViewModel::~TrashSummaryViewModel() = default;

QString TrashSummaryViewModel::trashPath() const
{
    return PlatformLayout::current().trashFolder;
}

QString TrashSummaryViewModel::statusText() const
{
    if (m_isLoading)
        return QStringLiteral("正在统计…");
    if (!m_isAvailable)
        return QStringLiteral("暂时无法读取");
    return QStringLiteral("%1 项 · %2").arg(QString::number(m_itemCount), formattedByteCount(m_totalSize));
}

void TrashSummaryViewModel::refreshTrashSummary()
{
    if (m_isLoading)
        return;
    if (!AccessManager::hasHomeAccess()) {
        setSummary(0, 0, false);
        return;
    }
    setLoading(true);
    const QString folder = trashPath();
    m_countingFolder = folder;
    m_watcher.setFuture(runJob([counter = m_counter, folder] { return counter(folder); }));
}

void TrashSummaryViewModel::applicationDidBecomeActive()
{
    if (!m_isAvailable)
        refreshTrashSummary();
}

void TrashSummaryViewModel::dismissFullDiskAccessPrompt()
{
    setShowPrompt(false);
}

void TrashSummaryViewModel::onCountFinished()
{
    const TrashSummaryEngine::Count count = m_watcher.future().result();
#ifndef Q_OS_MACOS
    // A fresh account has no Trash folder until something is first moved there: it is empty.
    if (!count.exists && !count.error) {
        setSummary(0, 0, true);
        setLoading(false);
        emit countFinished();
        return;
    }
#endif
    if (count.isAvailable()) {
        setSummary(count.itemCount, count.totalSize, true);
        setLoading(false);
        Log::line(TrashSummaryEngine::successLine(m_countingFolder, count));
    } else {
        setSummary(0, 0, false);
        setLoading(false);
        if (count.error && TrashSummaryEngine::isPermissionError(*count.error) && !m_hasPrompted) {
            m_hasPrompted = true;
            setShowPrompt(true);
        }
    }
    emit countFinished();
}

void TrashSummaryViewModel::setSummary(int itemCount, qint64 totalSize, bool available)
{
    if (itemCount == m_itemCount && totalSize == m_totalSize && available == m_isAvailable)
        return;
    m_itemCount = itemCount;
    m_totalSize = totalSize;
    m_isAvailable = available;
    emit summaryChanged();
}

void TrashSummaryViewModel::setLoading(bool loading)
{
    if (ViewModelSupport::assign(m_isLoading, loading))
        emit isLoadingChanged();
}

void TrashSummaryViewModel::setShowPrompt(bool show)
{
    if (ViewModelSupport::assign(m_showPrompt, show))
        emit showFullDiskAccessPromptChanged();
}

} // namespace Sweepora::Core
