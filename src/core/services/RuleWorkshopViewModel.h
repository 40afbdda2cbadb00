#pragma once

#include "core/rules/CleanupRule.h"
#include "core/services/MarketTasks.h"

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

namespace Sweepora::Core {

// The community rule workshop: the entries users uploaded, in the service's order, with the
// ones that have not passed review marked. Opening and taking in an entry happen in the rule
// editor (RuleEditorCoordinator::open).
class RuleWorkshopViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<Sweepora::Core::MarketRule> rules READ rules NOTIFY stateChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY stateChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY stateChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY stateChanged)
    Q_PROPERTY(ContentState contentState READ contentState NOTIFY stateChanged)

public:
    // What the page shows under its header.
    enum class ContentState {
        loading,     // spinner and "正在加载规则工坊…" (only while there is nothing to show)
        unavailable, // "规则工坊暂时不可用", the error and "重新加载"
        empty,       // "规则工坊暂无规则"
        list,        // the entries; a reload keeps them on screen
    };
    Q_ENUM(ContentState)

    static inline const QString kUnreviewedBadge = QStringLiteral("未审核");

    explicit RuleWorkshopViewModel(QObject* parent = nullptr);

    const QList<MarketRule>& rules() const { return m_rules; }
    bool isLoading() const { return m_isLoading; }
    bool hasError() const { return m_errorMessage.has_value(); }
    // The last failed load's description; empty when it did not fail.
    QString errorMessage() const { return m_errorMessage.value_or(QString()); }
    ContentState contentState() const;

    // Fetches the list. A call while one runs does nothing. A failure keeps the entries already
    // shown (the error then shows only when there are none).
    void load();
    // The window's workshop version: every change after the first value reloads.
    void setRefreshID(int refreshID);

    // Entries whose "allow" is not 1 carry the "未审核" badge.
    static bool showsUnreviewedBadge(const MarketRule& entry) { return !entry.isApproved(); }
    // "<n> 个扫描路径"
    static QString pathCountText(const MarketRule& entry);
    // The entry's rule as the editor shows it: a missing App is true, a missing Notice 0.
    static CleanupRule ruleForViewing(const MarketRule& entry) { return entry.ruleJSON.toCleanupRule(); }

signals:
    void stateChanged();
    // A load ended, well or not.
    void loadFinished();

private:
    QList<MarketRule> m_rules;
    bool m_isLoading = false;
    std::optional<QString> m_errorMessage;
    std::optional<int> m_refreshID;
};

} // namespace Sweepora::Core
