#pragma once

#include "platform/ProgressRelay.h"
#include "rules/CleanupResult.h"
#include "rules/RuleScanEngine.h"
#include "rules/RuleStore.h"
#include "trash/CleanRun.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

namespace Sweepora::Core {

// The rule scanner behind the 常规清理 page and the quick cleanup: runs every cleanup rule over
// the home folder, publishes one result per rule that found something, and moves the files of
// the ticked results to the Trash. Published state changes on the GUI thread only; the scan
// and the clean run as one job each on the job pool and hand their result back once.
class CleanupViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<Sweepora::Core::CleanupResult> results READ results NOTIFY resultsChanged)
    Q_PROPERTY(Sweepora::Core::ScanState state READ state NOTIFY stateChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    Q_PROPERTY(QString scanningRuleName READ scanningRuleName NOTIFY scanningRuleNameChanged)
    Q_PROPERTY(double scanProgress READ scanProgress NOTIFY scanProgressChanged)

public:
    explicit CleanupViewModel(QObject* parent = nullptr);
    // Tests load rules from their own folders.
    explicit CleanupViewModel(RuleStore store, QObject* parent = nullptr);
    ~CleanupViewModel() override;

    const QList<CleanupResult>& results() const { return m_results; }
    ScanState state() const { return m_state; }
    const QString& message() const { return m_message; }
    // The running clean's progress and cancel, then the undo of the last clean.
    CleanRun& cleanRun() { return m_run; }
    const QString& scanningRuleName() const { return m_scanningRuleName; }
    double scanProgress() const { return m_scanProgress; }

    qint64 selectedSize() const;
    qint64 totalSize() const;

    void startScan();
    // Stops the running scan: the rules scanned to the end are listed, the one cut short is not.
    void cancelScan();
    void clean();
    void toggleSelection(const QString& resultID);
    void toggleAllSelection();

    // The rule scan as the window reaches folders: through the folder access manager.
    struct LegacyGrants;
    RuleScanEngine::Access accessThroughManager() const;

signals:
    void resultsChanged();
    void stateChanged();
    void messageChanged();
    void scanningRuleNameChanged();
    void scanProgressChanged();
    // A scan or a clean handed its result back (after the state changed).
    void scanFinished();
    void cleanFinished();

private:
    void setState(ScanState state);
    void setMessage(const QString& message);
    void setScanningRuleName(const QString& name);
    void setScanProgress(double progress);
    void setResults(QList<CleanupResult> results);
    void runScan(const QList<CleanupRule>& rules);

    RuleStore m_store;
    QList<CleanupResult> m_results;
    ScanState m_state = ScanState::Ready;
    QString m_message = QStringLiteral("准备扫描");
    QString m_scanningRuleName = QStringLiteral("准备扫描规则");
    double m_scanProgress = 0;

    // Owned by the view model: when it goes, the watchers go, and a job still running
    // publishes nothing.
    QFutureWatcher<QList<CleanupResult>> m_scanWatcher;
    std::shared_ptr<WalkProgress> m_walk; // the running scan's, for its cancel
    std::shared_ptr<ProgressRelay> m_relay = ProgressRelay::create();
    std::shared_ptr<LegacyGrants> m_legacyGrants;
    QFutureWatcher<RuleScanEngine::CleanOutcome> m_cleanWatcher;
    CleanRun m_run;
};

} // namespace Sweepora::Core
