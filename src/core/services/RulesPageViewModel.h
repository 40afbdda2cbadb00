#pragma once

#include "core/rules/CleanupRule.h"
#include "core/rules/RuleStore.h"
#include "core/services/CloudTasks.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace Sweepora::Core {

// The rules page's state: the local rules, and the cloud card that compares the number of
// published rules with the number of local ones and imports every published rule on request.
// Importing only writes rules; a local rule the service does not publish is never touched.
class RulesPageViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<Sweepora::Core::CleanupRule> rules READ rules NOTIFY rulesChanged)
    Q_PROPERTY(bool isCheckingCloud READ isCheckingCloud NOTIFY cloudStateChanged)
    Q_PROPERTY(bool isSyncing READ isSyncing NOTIFY cloudStateChanged)
    Q_PROPERTY(bool hasCloudCount READ hasCloudCount NOTIFY cloudStateChanged)
    Q_PROPERTY(QString syncError READ syncError NOTIFY cloudStateChanged)
    Q_PROPERTY(QString cloudSubtitle READ cloudSubtitle NOTIFY cloudStateChanged)
    Q_PROPERTY(CloudControl cloudControl READ cloudControl NOTIFY cloudStateChanged)

public:
    // What the cloud card offers at its trailing edge.
    enum class CloudControl {
        spinner,       // a check or an import is under way
        syncButton,    // "同步": fewer local rules than published ones
        upToDate,      // the checkmark, tooltip "本地规则已是最新"
        recheckButton, // "arrow.clockwise", tooltip "重新检查": no count yet, or the check failed
    };
    Q_ENUM(CloudControl)

    static inline const QString kCheckFailed = QStringLiteral("云端检查失败");

    explicit RulesPageViewModel(QObject* parent = nullptr);
    explicit RulesPageViewModel(RuleStore store, QObject* parent = nullptr);

    const QList<CleanupRule>& rules() const { return m_rules; }
    const QList<CloudTaskRule>& cloudRules() const { return m_cloudRules; }
    // Absent until a check succeeds, and again after a failed one.
    std::optional<qsizetype> cloudCount() const { return m_cloudCount; }
    bool hasCloudCount() const { return m_cloudCount.has_value(); }
    bool isCheckingCloud() const { return m_isCheckingCloud; }
    bool isSyncing() const { return m_isSyncing; }
    // Empty when the last check did not fail.
    QString syncError() const { return m_syncError.value_or(QString()); }

    QString cloudSubtitle() const;
    CloudControl cloudControl() const;

    // Reads the local rules again.
    void reloadRules();
    // The window's rules version: every change after the first value reloads the local rules.
    void setRefreshID(int refreshID);

    // Reloads the local rules and asks the service how many rules it publishes. Does nothing
    // while a check or an import runs. The page calls it when it is shown and on "重新检查".
    void checkCloud();
    // Writes every rule of the last successful check that passes the rule review into the rule
    // store, off the GUI thread, then reloads the local rules; the refused ones are logged with
    // their reasons and counted in the subtitle. Does nothing while an import runs.
    void syncFromCloud();

signals:
    void rulesChanged();
    // Any of the cloud card's properties; also emitted when the local rules change, since the
    // subtitle and the control depend on their number.
    void cloudStateChanged();
    // An import has written its rules and the list has been reloaded.
    void syncFinished();

private:
    struct SyncOutcome
    {
        QList<CleanupRule> rules;
        QStringList failures; // one text per rule that could not be written
        QStringList refused;  // one text per rule that failed the rule review, with its reason
    };

    void setRules(QList<CleanupRule> rules);
    void onSyncFinished();

    RuleStore m_store;
    QList<CleanupRule> m_rules;
    QList<CloudTaskRule> m_cloudRules;
    std::optional<qsizetype> m_cloudCount;
    bool m_isCheckingCloud = false;
    bool m_isSyncing = false;
    std::optional<QString> m_syncError;
    qsizetype m_refusedCount = 0; // by the last import's rule review
    std::optional<int> m_refreshID;
    QFutureWatcher<SyncOutcome> m_syncWatcher;
};

} // namespace Sweepora::Core
