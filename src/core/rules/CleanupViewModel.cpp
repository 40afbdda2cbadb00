#include "core/rules/CleanupViewModel.h"

#include "core/access/AccessManager.h"
#include "core/platform/Jobs.h"
#include "core/platform/Sandbox.h"
#include "core/quick/QuickScan.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ViewModelSupport.h"

#include <QMutex>
#include <QPointer>

namespace Sweepora::Core {

CleanupViewModel::CleanupViewModel(QObject* parent) : CleanupViewModel(RuleStore(), parent)
{}

CleanupViewModel::CleanupViewModel(RuleStore store, QObject* parent)
    : FileListViewModel(QStringLiteral("准备扫描"), parent, AfterScan::keepUndo), m_store(std::move(store)),
      m_legacyGrants(std::make_shared<LegacyGrants>())
{
    connect(this, &FileListViewModel::filesChanged, this, &CleanupViewModel::resultsChanged);
    connect(
        m_relay.get(), &ProgressRelay::progressed, this,
        [this](int index, int total, const QString& name) {
            if (state() != ScanState::scanning)
                return;
            setScanProgress(total > 0 ? static_cast<double>(index) / total : 0.0);
            setScanningRuleName(name);
        },
        Qt::QueuedConnection);
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        m_results = m_scanWatcher.future().result();
        const bool cancelled = scanWatch().finish();
        setScanProgress(1.0);
        setScanningRuleName(QStringLiteral("扫描完成"));
        finishScan((cancelled ? QStringLiteral("扫描已取消，") : QString()) +
                   SectionTexts::rulesFound(m_results.size()));
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
    if (!mayStartScan())
        return;
    const QList<CleanupRule> rules = m_store.loadRules();
    setState(ScanState::authorizing);
    setMessage(QStringLiteral("等待个人文件夹授权…"));
    // The check passes again, so this normally completes at once; if the grant went away in
    // between, the user is asked for it.
    AccessManager::requestHomeAuthorization([self = QPointer<CleanupViewModel>(this), rules](bool granted) {
        if (self.isNull())
            return;
        if (!granted) {
            self->setState(ScanState::ready);
            self->setMessage(QStringLiteral("未完成个人文件夹授权，扫描已取消"));
            return;
        }
        self->runScan(rules);
    });
}

std::shared_ptr<WalkProgress> CleanupViewModel::beginScan(const QList<CleanupRule>& rules)
{
    setState(ScanState::scanning);
    setMessage(QStringLiteral("正在分析本机缓存…"));
    // The job's report for the first rule never arrives: a future's progress only rises, and
    // it starts at 0. Publish it here, or a second scan shows the last one's 100% meanwhile.
    setScanProgress(0);
    if (!rules.isEmpty())
        setScanningRuleName(rules.first().name);
    return scanWatch().start();
}

void CleanupViewModel::runScan(const QList<CleanupRule>& rules)
{
    const std::shared_ptr<WalkProgress> walk = beginScan(rules);
    const QString home = AccessManager::homeDirectoryURL().path();
    const RuleScanEngine::Access access = accessThroughManager();
    m_scanWatcher.setFuture(runJob([rules, home, access, progress = m_relay, walk] {
        const int total = static_cast<int>(rules.size());
        return RuleScanEngine::scanRules(
            rules, home, access,
            [&progress, total](int index, const QString& name) { progress->report(index, total, name); }, walk);
    }));
}

void CleanupViewModel::joinQuickScan(QuickScan::Options& options)
{
    if (!mayStartScan())
        return;
    options.rules = m_store.loadRules();
    options.ruleWalk = beginScan(*options.rules);
    options.ruleAccess = accessThroughManager();
    options.ruleSteps = [relay = m_relay](int index, int total, const QString& name) {
        relay->report(index, total, name);
    };
    options.rulesDone = QuickScan::handBackTo(m_scanWatcher);
}

void CleanupViewModel::clean()
{
    const QList<CleanupResult> selection = ViewModelSupport::selected(m_results);
    if (!mayClean(!selection.isEmpty()))
        return;
    const RuleScanEngine::Access access = accessThroughManager();
    startClean(QStringLiteral("rules"), [selection, access] { return RuleScanEngine::clean(selection, access); });
}

void CleanupViewModel::toggleSelection(const QString& resultID)
{
    if (ViewModelSupport::toggle(m_results, &CleanupResult::id, resultID))
        emit filesChanged();
}

void CleanupViewModel::toggleAllSelection()
{
    if (ViewModelSupport::toggleAll(m_results))
        emit filesChanged();
}

void CleanupViewModel::removeCleaned(const QSet<QString>& done)
{
    m_results = ViewModelSupport::without(m_results, &CleanupResult::id, done);
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

} // namespace Sweepora::Core
