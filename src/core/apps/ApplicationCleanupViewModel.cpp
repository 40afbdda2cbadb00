#include "core/apps/ApplicationCleanupViewModel.h"

#include "core/access/AccessManager.h"
#include "core/platform/Jobs.h"
#include "core/platform/PlatformLayout.h"
#include "core/quick/QuickScan.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ViewModelSupport.h"

#include <QPointer>

#include <algorithm>

namespace Sweepora::Core {

ApplicationCleanupViewModel::ApplicationCleanupViewModel(QObject* parent)
    : FileListViewModel(QStringLiteral("准备扫描应用缓存"), parent, AfterScan::keepUndo)
{
    connect(this, &FileListViewModel::filesChanged, this, &ApplicationCleanupViewModel::resultsChanged);
    connect(
        m_relay.get(), &ProgressRelay::progressed, this,
        [this](int index, int total, const QString& name) {
            if (state() != ScanState::scanning)
                return;
            setProgress(static_cast<double>(index) / std::max(total, 1));
            setScanningApp(name);
        },
        Qt::QueuedConnection);
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        m_results = m_scanWatcher.future().result();
        const bool cancelled = scanWatch().finish();
        setProgress(1.0);
        setScanningApp(QStringLiteral("扫描完成"));
        finishScan((cancelled ? QStringLiteral("扫描已取消，") : QString()) +
                   SectionTexts::applicationCachesFound(m_results.size()));
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
    if (!mayStartScan())
        return;
    setState(ScanState::authorizing);
    setMessage(QStringLiteral("等待个人文件夹授权…"));
    AccessManager::requestHomeAuthorization([self = QPointer<ApplicationCleanupViewModel>(this)](bool granted) {
        if (self.isNull())
            return;
        if (!granted) {
            self->setState(ScanState::ready);
            self->setMessage(QStringLiteral("未完成个人文件夹授权，扫描已取消"));
            return;
        }
        self->runScan();
    });
}

std::shared_ptr<WalkProgress> ApplicationCleanupViewModel::beginScan()
{
    setState(ScanState::scanning);
    setMessage(QStringLiteral("正在扫描所有应用缓存…"));
    return scanWatch().start();
}

void ApplicationCleanupViewModel::runScan()
{
    const std::shared_ptr<WalkProgress> walk = beginScan();
    const QString home = AccessManager::homeDirectoryURL().path();
    const PlatformLayout layout = PlatformLayout::current();
    const ApplicationCacheEngine::Access access = accessThroughManager();
    // Discovery reads every application's metadata and checks its folders: a job's work too.
    m_scanWatcher.setFuture(runJob([layout, home, access, progress = m_relay, walk] {
        const QList<ApplicationCacheTarget> targets = ApplicationCacheEngine::discoverTargetsFor(layout, home);
        const int total = static_cast<int>(targets.size());
        return ApplicationCacheEngine::scanTargets(
            targets, access,
            [&progress, total](int index, const QString& name) { progress->report(index, total, name); }, walk);
    }));
}

void ApplicationCleanupViewModel::joinQuickScan(QuickScan::Options& options)
{
    if (!mayStartScan())
        return;
    options.applicationWalk = beginScan();
    options.applicationLayout = PlatformLayout::current();
    options.applicationAccess = accessThroughManager();
    options.applicationSteps = [relay = m_relay](int index, int total, const QString& name) {
        relay->report(index, total, name);
    };
    options.applicationsDone = QuickScan::handBackTo(m_scanWatcher);
}

void ApplicationCleanupViewModel::clean()
{
    const QList<ApplicationCleanupResult> selection = ViewModelSupport::selected(m_results);
    if (!mayClean(!selection.isEmpty()))
        return;
    startClean(
        QStringLiteral("app-caches"), [selection] { return ApplicationCacheEngine::clean(selection); }, 0,
        QStringLiteral("正在将应用缓存移到废纸篓…"));
}

void ApplicationCleanupViewModel::toggleSelection(const QString& resultID)
{
    if (ViewModelSupport::toggle(m_results, &ApplicationCleanupResult::id, resultID))
        emit filesChanged();
}

void ApplicationCleanupViewModel::toggleAllSelection()
{
    if (ViewModelSupport::toggleAll(m_results))
        emit filesChanged();
}

void ApplicationCleanupViewModel::removeCleaned(const QSet<QString>& done)
{
    m_results = ViewModelSupport::without(m_results, &ApplicationCleanupResult::id, done);
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
