#include "apps/ApplicationCleanupViewModel.h"

#include "access/AccessManager.h"
#include "platform/Jobs.h"
#include "platform/Notifications.h"
#include "platform/PlatformLayout.h"
#include "util/ViewModelSupport.h"

#include <QPointer>

#include <algorithm>

namespace Sweepora::Core {

ApplicationCleanupViewModel::ApplicationCleanupViewModel(QObject* parent) : QObject(parent)
{
    connect(
        m_relay.get(), &ProgressRelay::progressed, this,
        [this](int index, int total, const QString& name) {
            if (m_state != ApplicationCleanupState::Scanning)
                return;
            setProgress(static_cast<double>(index) / std::max(total, 1));
            setScanningApp(name);
        },
        Qt::QueuedConnection);
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        m_results = m_scanWatcher.future().result();
        const bool cancelled = m_walk && m_walk->isCancelled();
        m_walk.reset();
        emit resultsChanged();
        setProgress(1.0);
        setScanningApp(QStringLiteral("扫描完成"));
        setState(ApplicationCleanupState::Scanned);
        setMessage((cancelled ? QStringLiteral("扫描已取消，") : QString()) +
                   ApplicationCacheEngine::resultMessage(m_results.size()));
        emit scanFinished();
    });
    connect(&m_cleanWatcher, &QFutureWatcherBase::finished, this, [this] {
        const ApplicationCacheEngine::CleanOutcome outcome = m_cleanWatcher.future().result();
        m_run.finish(outcome.message);
        QList<ApplicationCleanupResult> remaining =
            ViewModelSupport::without(m_results, &ApplicationCleanupResult::id, outcome.completedIDs);
        m_results = std::move(remaining);
        emit resultsChanged();
        setState(ApplicationCleanupState::Scanned);
        setMessage(outcome.message);
        if (!outcome.moved.isEmpty())
            Notifications::instance().postTrashContentsDidChange();
        emit cleanFinished();
    });
}

ApplicationCleanupViewModel::~ApplicationCleanupViewModel() = default;

ApplicationCacheEngine::Access ApplicationCleanupViewModel::accessThroughManager()
{
    ApplicationCacheEngine::Access access;
    access.begin = [](const QString& folder) { return AccessManager::beginAccess(FolderUrl(folder)); };
    access.end = [](const QString& folder) { AccessManager::endAccess(FolderUrl(folder)); };
    return access;
}

qint64 ApplicationCleanupViewModel::selectedSize() const
{
    return ViewModelSupport::selectedSize(m_results);
}

qint64 ApplicationCleanupViewModel::totalSize() const
{
    return ViewModelSupport::totalSize(m_results);
}

void ApplicationCleanupViewModel::startScan()
{
    if (m_state == ApplicationCleanupState::Authorizing || m_state == ApplicationCleanupState::Scanning ||
        m_state == ApplicationCleanupState::Cleaning)
        return;
    if (!AccessManager::hasHomeAccess()) {
        setMessage(AccessManager::kNeedsHome);
        return;
    }
    setState(ApplicationCleanupState::Authorizing);
    setMessage(QStringLiteral("等待个人文件夹授权…"));
    AccessManager::requestHomeAuthorization([self = QPointer<ApplicationCleanupViewModel>(this)](bool granted) {
        if (self.isNull())
            return;
        if (!granted) {
            self->setState(ApplicationCleanupState::Ready);
            self->setMessage(QStringLiteral("未完成个人文件夹授权，扫描已取消"));
            return;
        }
        self->runScan();
    });
}

void ApplicationCleanupViewModel::runScan()
{
    setState(ApplicationCleanupState::Scanning);
    setMessage(QStringLiteral("正在扫描所有应用缓存…"));
    const QString home = AccessManager::homeDirectoryURL().path();
    const PlatformLayout layout = PlatformLayout::current();
    const ApplicationCacheEngine::Access access = accessThroughManager();
    // Discovery reads every application's metadata and checks its folders: a job's work too.
    m_walk = std::make_shared<WalkProgress>();
    m_scanWatcher.setFuture(runJob([layout, home, access, progress = m_relay, walk = m_walk] {
        const QList<ApplicationCacheTarget> targets = ApplicationCacheEngine::discoverTargetsFor(layout, home);
        const int total = static_cast<int>(targets.size());
        return ApplicationCacheEngine::scanTargets(
            targets, access,
            [&progress, total](int index, const QString& name) { progress->report(index, total, name); }, walk);
    }));
}

void ApplicationCleanupViewModel::cancelScan()
{
    if (m_state == ApplicationCleanupState::Scanning && m_walk)
        m_walk->cancel();
}

void ApplicationCleanupViewModel::clean()
{
    if (m_state != ApplicationCleanupState::Scanned)
        return;
    const QList<ApplicationCleanupResult> selection = ViewModelSupport::selected(m_results);
    if (selection.isEmpty())
        return;
    setState(ApplicationCleanupState::Cleaning);
    setMessage(QStringLiteral("正在将应用缓存移到废纸篓…"));
    m_cleanWatcher.setFuture(runJob(
        m_run.wrap(QStringLiteral("app-caches"), [selection] { return ApplicationCacheEngine::clean(selection); })));
}

void ApplicationCleanupViewModel::toggleSelection(const QString& resultID)
{
    if (ViewModelSupport::toggle(m_results, &ApplicationCleanupResult::id, resultID))
        emit resultsChanged();
}

void ApplicationCleanupViewModel::toggleAllSelection()
{
    if (ViewModelSupport::toggleAll(m_results))
        emit resultsChanged();
}

void ApplicationCleanupViewModel::setState(ApplicationCleanupState state)
{
    if (ViewModelSupport::assign(m_state, state))
        emit stateChanged();
}

void ApplicationCleanupViewModel::setMessage(const QString& message)
{
    if (ViewModelSupport::assign(m_message, message))
        emit messageChanged();
}

void ApplicationCleanupViewModel::setScanningApp(const QString& name)
{
    if (ViewModelSupport::assign(m_scanningApp, name))
        emit scanningAppChanged();
}

void ApplicationCleanupViewModel::setProgress(double progress)
{
    if (ViewModelSupport::assign(m_progress, progress))
        emit progressChanged();
}

} // namespace Sweepora::Core
