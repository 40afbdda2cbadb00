#include "rules/CleanupViewModel.h"

#include "access/AccessManager.h"
#include "platform/Jobs.h"
#include "platform/Notifications.h"
#include "platform/Sandbox.h"
#include "util/ViewModelSupport.h"

#include <QMutex>
#include <QPointer>

namespace Sweepora::Core {

CleanupViewModel::CleanupViewModel(QObject* parent) : CleanupViewModel(RuleStore(), parent)
{}

CleanupViewModel::CleanupViewModel(RuleStore store, QObject* parent)
    : QObject(parent), m_store(std::move(store)), m_legacyGrants(std::make_shared<LegacyGrants>())
{
    connect(
        m_relay.get(), &ProgressRelay::progressed, this,
        [this](int index, int total, const QString& name) {
            if (m_state != ScanState::Scanning)
                return;
            setScanProgress(total > 0 ? static_cast<double>(index) / total : 0.0);
            setScanningRuleName(name);
        },
        Qt::QueuedConnection);
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        QList<CleanupResult> results = m_scanWatcher.future().result();
        const bool cancelled = m_walk && m_walk->isCancelled();
        m_walk.reset();
        const QString message =
            (cancelled ? QStringLiteral("扫描已取消，") : QString()) + RuleScanEngine::resultMessage(results.size());
        setResults(std::move(results));
        setScanProgress(1.0);
        setScanningRuleName(QStringLiteral("扫描完成"));
        setState(ScanState::Scanned);
        setMessage(message);
        emit scanFinished();
    });
    connect(&m_cleanWatcher, &QFutureWatcherBase::finished, this, [this] {
        const RuleScanEngine::CleanOutcome outcome = m_cleanWatcher.future().result();
        m_run.finish(outcome.message);
        QList<CleanupResult> remaining = ViewModelSupport::without(m_results, &CleanupResult::id, outcome.completedIDs);
        setResults(std::move(remaining));
        setState(ScanState::Scanned);
        setMessage(outcome.message);
        if (!outcome.moved.isEmpty())
            Notifications::instance().postTrashContentsDidChange();
        emit cleanFinished();
    });
}

CleanupViewModel::~CleanupViewModel() = default;

// A per-path grant's rights live in its resolved location, not in its path: the scan keeps the
// location, and a folder below it (then, or when cleaning) is opened through it.
struct CleanupViewModel::LegacyGrants
{
    QMutex mutex;
    QList<FolderUrl> urls;
    FolderUrl covering(const QString& folder)
    {
        QMutexLocker lock(&mutex);
        for (const FolderUrl& url : std::as_const(urls))
            if (Sandbox::isWithin(url.path(), folder))
                return url;
        return FolderUrl(folder);
    }
};

RuleScanEngine::Access CleanupViewModel::accessThroughManager() const
{
    const std::shared_ptr<LegacyGrants> grants = m_legacyGrants;
    RuleScanEngine::Access access;
    access.begin = [grants](const QString& folder) { return AccessManager::beginAccess(grants->covering(folder)); };
    access.end = [grants](const QString& folder) { AccessManager::endAccess(grants->covering(folder)); };
    access.legacyGrant = [grants](const QString& rulePath) -> std::optional<QString> {
        const std::optional<FolderUrl> url = AccessManager::legacyBookmarkURL(rulePath);
        if (!url)
            return std::nullopt;
        QMutexLocker lock(&grants->mutex);
        if (!grants->urls.contains(*url))
            grants->urls.append(*url);
        return url->path();
    };
    return access;
}

qint64 CleanupViewModel::selectedSize() const
{
    return ViewModelSupport::selectedSize(m_results);
}

qint64 CleanupViewModel::totalSize() const
{
    return ViewModelSupport::totalSize(m_results);
}

void CleanupViewModel::startScan()
{
    if (m_state == ScanState::Authorizing || m_state == ScanState::Scanning || m_state == ScanState::Cleaning)
        return;
    if (!AccessManager::hasHomeAccess()) {
        setMessage(AccessManager::kNeedsHome);
        return;
    }
    const QList<CleanupRule> rules = m_store.loadRules();
    setState(ScanState::Authorizing);
    setMessage(QStringLiteral("等待个人文件夹授权…"));
    // The check passes again, so this normally completes at once; if the grant went away in
    // between, the user is asked for it.
    AccessManager::requestHomeAuthorization([self = QPointer<CleanupViewModel>(this), rules](bool granted) {
        if (self.isNull())
            return;
        if (!granted) {
            self->setState(ScanState::Ready);
            self->setMessage(QStringLiteral("未完成个人文件夹授权，扫描已取消"));
            return;
        }
        self->runScan(rules);
    });
}

void CleanupViewModel::runScan(const QList<CleanupRule>& rules)
{
    setState(ScanState::Scanning);
    setMessage(QStringLiteral("正在分析本机缓存…"));
    // The job's report for the first rule never arrives: a future's progress only rises, and
    // it starts at 0. Publish it here, or a second scan shows the last one's 100% meanwhile.
    setScanProgress(0);
    if (!rules.isEmpty())
        setScanningRuleName(rules.first().name);
    const QString home = AccessManager::homeDirectoryURL().path();
    const RuleScanEngine::Access access = accessThroughManager();
    m_walk = std::make_shared<WalkProgress>();
    m_scanWatcher.setFuture(runJob([rules, home, access, progress = m_relay, walk = m_walk] {
        const int total = static_cast<int>(rules.size());
        return RuleScanEngine::scanRules(
            rules, home, access,
            [&progress, total](int index, const QString& name) { progress->report(index, total, name); }, walk);
    }));
}

void CleanupViewModel::cancelScan()
{
    if (m_state == ScanState::Scanning && m_walk)
        m_walk->cancel();
}

void CleanupViewModel::clean()
{
    if (m_state != ScanState::Scanned)
        return;
    const QList<CleanupResult> selection = ViewModelSupport::selected(m_results);
    if (selection.isEmpty())
        return;
    setState(ScanState::Cleaning);
    setMessage(QStringLiteral("正在移到废纸篓…"));
    const RuleScanEngine::Access access = accessThroughManager();
    m_cleanWatcher.setFuture(runJob(
        m_run.wrap(QStringLiteral("rules"), [selection, access] { return RuleScanEngine::clean(selection, access); })));
}

void CleanupViewModel::toggleSelection(const QString& resultID)
{
    if (ViewModelSupport::toggle(m_results, &CleanupResult::id, resultID))
        emit resultsChanged();
}

void CleanupViewModel::toggleAllSelection()
{
    if (ViewModelSupport::toggleAll(m_results))
        emit resultsChanged();
}

void CleanupViewModel::setState(ScanState state)
{
    if (ViewModelSupport::assign(m_state, state))
        emit stateChanged();
}

void CleanupViewModel::setMessage(const QString& message)
{
    if (ViewModelSupport::assign(m_message, message))
        emit messageChanged();
}

void CleanupViewModel::setScanningRuleName(const QString& name)
{
    if (ViewModelSupport::assign(m_scanningRuleName, name))
        emit scanningRuleNameChanged();
}

void CleanupViewModel::setScanProgress(double progress)
{
    if (ViewModelSupport::assign(m_scanProgress, progress))
        emit scanProgressChanged();
}

void CleanupViewModel::setResults(QList<CleanupResult> results)
{
    m_results = std::move(results);
    emit resultsChanged();
}

} // namespace Sweepora::Core
