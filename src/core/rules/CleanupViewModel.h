#pragma once

#include "core/platform/ProgressRelay.h"
#include "core/rules/CleanupResult.h"
#include "core/rules/RuleScanEngine.h"
#include "core/rules/RuleStore.h"
#include "core/scanners/FileListViewModel.h"

#include <QFutureWatcher>
#include <QList>
#include <QString>

#include <memory>

namespace Sweepora::Core {

namespace QuickScan {
struct Options;
}

// The rule scanner behind the 常规清理 page and the quick cleanup: runs every cleanup rule over
// the home folder, publishes one result per rule that found something, and moves the files of
// the ticked results to the Trash. Published state changes on the GUI thread only; the scan
// and the clean run as one job each on the job pool and hand their result back once. A scan
// asks for the home grant first (Authorizing) and keeps the last clean's undo.
class CleanupViewModel : public FileListViewModel
{
    Q_OBJECT
    Q_PROPERTY(QList<Sweepora::Core::CleanupResult> results READ results NOTIFY resultsChanged)
    Q_PROPERTY(QString scanningRuleName READ scanningRuleName NOTIFY scanningRuleNameChanged)
    Q_PROPERTY(double scanProgress READ scanProgress NOTIFY scanProgressChanged)

public:
    explicit CleanupViewModel(QObject* parent = nullptr);
    // Tests load rules from their own folders.
    explicit CleanupViewModel(RuleStore store, QObject* parent = nullptr);
    ~CleanupViewModel() override;

    const QList<CleanupResult>& results() const { return m_results; }
    const QString& scanningRuleName() const { return m_scanningRuleName; }
    double scanProgress() const { return m_scanProgress; }

    qint64 selectedSize() const;
    qint64 totalSize() const;

    // Ignored while busy; needs the home grant. cancelScan() lists the rules scanned to the end,
    // not the one cut short.
    void startScan();
    // Joins the quick cleanup's scan instead of scanning alone: its rules, its progress and its
    // hand-back go into `options`. Nothing while busy.
    void joinQuickScan(QuickScan::Options& options);
    void clean();
    void toggleSelection(const QString& resultID);
    void toggleAllSelection();

    // The rule scan as the window reaches folders: through the folder access manager.
    struct LegacyGrants;
    RuleScanEngine::Access accessThroughManager() const;

signals:
    // filesChanged under the name the pages and the quick cleanup know.
    void resultsChanged();
    void scanningRuleNameChanged();
    void scanProgressChanged();

protected:
    void removeCleaned(const QSet<QString>& done) override;

private:
    void setScanningRuleName(const QString& name);
    void setScanProgress(double progress);
    void runScan(const QList<CleanupRule>& rules);
    // Publishes that a scan of `rules` runs; its walk counts into what this returns.
    std::shared_ptr<WalkProgress> beginScan(const QList<CleanupRule>& rules);

    RuleStore m_store;
    QList<CleanupResult> m_results;
    QString m_scanningRuleName = QStringLiteral("准备扫描规则");
    double m_scanProgress = 0;

    // Owned by the view model: when it goes, the watcher goes, and a scan still running
    // publishes nothing.
    QFutureWatcher<QList<CleanupResult>> m_scanWatcher;
    std::shared_ptr<ProgressRelay> m_relay = ProgressRelay::create();
    std::shared_ptr<LegacyGrants> m_legacyGrants;
};

} // namespace Sweepora::Core
