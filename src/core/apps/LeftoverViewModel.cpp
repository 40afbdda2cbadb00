#include "core/apps/LeftoverViewModel.h"

#include "core/access/AccessManager.h"
#include "core/platform/Jobs.h"
#include "core/platform/Notifications.h"
#include "core/platform/PlatformLayout.h"
#include "core/util/ViewModelSupport.h"

#include <QPointer>

namespace Sweepora::Core {

LeftoverViewModel::LeftoverViewModel(QObject* parent) : QObject(parent)
{
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        m_items = m_scanWatcher.future().result();
        emit itemsChanged();
        setState(ScanState::scanned);
        setMessage(LeftoverEngine::resultMessage(m_items.size()));
        emit scanFinished();
    });
    connect(&m_cleanWatcher, &QFutureWatcherBase::finished, this, [this] {
        const LeftoverEngine::CleanOutcome outcome = m_cleanWatcher.future().result();
        m_run.finish(outcome.message);
        m_items = ViewModelSupport::without(m_items, &LeftoverItem::path, outcome.completedPaths);
        emit itemsChanged();
        setState(ScanState::scanned);
        setMessage(outcome.message);
        if (!outcome.moved.isEmpty())
            Notifications::instance().postTrashContentsDidChange();
        emit cleanFinished();
    });
}

LeftoverViewModel::~LeftoverViewModel() = default;

qint64 LeftoverViewModel::selectedSize() const
{
    return ViewModelSupport::selectedSize(m_items);
}

void LeftoverViewModel::startScan()
{
    if (m_state == ScanState::authorizing || m_state == ScanState::scanning || m_state == ScanState::cleaning)
        return;
    setState(ScanState::authorizing);
    AccessManager::requestHomeAuthorization([self = QPointer<LeftoverViewModel>(this)](bool granted) {
        if (self.isNull())
            return;
        if (!granted) {
            self->setState(ScanState::ready);
            self->setMessage(QStringLiteral("需要授权个人文件夹才能查找残留文件"));
            return;
        }
        self->setState(ScanState::scanning);
        self->setMessage(QStringLiteral("正在查找残留文件…"));
        const QString home = AccessManager::homeDirectoryURL().path();
        const LinuxApplicationPlaces places = PlatformLayout::current().linuxApplications;
        self->m_scanWatcher.setFuture(runJob([places, home] { return LeftoverEngine::findLeftovers(places, home); }));
    });
}

void LeftoverViewModel::clean()
{
    if (m_state != ScanState::scanned)
        return;
    const QList<LeftoverItem> selection = ViewModelSupport::selected(m_items);
    if (selection.isEmpty())
        return;
    setState(ScanState::cleaning);
    setMessage(QStringLiteral("正在将残留文件移到废纸篓…"));
    m_cleanWatcher.setFuture(
        runJob(m_run.wrap(QStringLiteral("leftovers"), [selection] { return LeftoverEngine::clean(selection); })));
}

void LeftoverViewModel::toggleSelection(const QString& path)
{
    if (ViewModelSupport::toggle(m_items, &LeftoverItem::path, path))
        emit itemsChanged();
}

void LeftoverViewModel::toggleAllSelection()
{
    if (ViewModelSupport::toggleAll(m_items))
        emit itemsChanged();
}

void LeftoverViewModel::setState(ScanState state)
{
    if (ViewModelSupport::assign(m_state, state))
        emit stateChanged();
}

void LeftoverViewModel::setMessage(const QString& message)
{
    if (ViewModelSupport::assign(m_message, message))
        emit messageChanged();
}

} // namespace Sweepora::Core
