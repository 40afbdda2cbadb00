#include "core/services/RulesPageViewModel.h"

#include "core/platform/Jobs.h"
#include "core/platform/Log.h"
#include "core/rules/RuleReview.h"
#include "core/services/ServiceEndpoints.h"
#include "core/util/ViewModelSupport.h"

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

RulesPageViewModel::RulesPageViewModel(QObject* parent) : RulesPageViewModel(RuleStore(), parent)
{}

RulesPageViewModel::RulesPageViewModel(RuleStore store, QObject* parent) : QObject(parent), m_store(std::move(store))
{
    connect(&m_syncWatcher, &QFutureWatcher<SyncOutcome>::finished, this, &RulesPageViewModel::onSyncFinished);
}

QString RulesPageViewModel::cloudSubtitle() const
{
    if (m_isCheckingCloud)
        return u"正在检查规则数量…"_s;
    if (!m_cloudCount)
        return m_syncError.value_or(u"尚未获取云端数量"_s);
    const QString counts = u"本地 %1 条 · 云端 %2 条"_s.arg(m_rules.size()).arg(*m_cloudCount);
    return m_refusedCount > 0 ? counts + u" · %1 条未通过安全审核"_s.arg(m_refusedCount) : counts;
}

RulesPageViewModel::CloudControl RulesPageViewModel::cloudControl() const
{
    if (m_isCheckingCloud || m_isSyncing)
        return CloudControl::spinner;
    if (m_cloudCount && m_rules.size() < *m_cloudCount)
        return CloudControl::syncButton;
    if (m_cloudCount)
        return CloudControl::upToDate;
    return CloudControl::recheckButton;
}

void RulesPageViewModel::setRules(QList<CleanupRule> rules)
{
    if (!ViewModelSupport::assign(m_rules, std::move(rules)))
        return;
    emit rulesChanged();
    emit cloudStateChanged();
}

void RulesPageViewModel::reloadRules()
{
    setRules(m_store.loadRules());
}

void RulesPageViewModel::setRefreshID(int refreshID)
{
    const bool changed = m_refreshID && *m_refreshID != refreshID;
    m_refreshID = refreshID;
    if (changed)
        reloadRules();
}

void RulesPageViewModel::checkCloud()
{
    if (m_isCheckingCloud || m_isSyncing)
        return;
    reloadRules();
    m_isCheckingCloud = true;
    m_syncError.reset();
    emit cloudStateChanged();

    ServiceEndpoints::fetchCloudRules(this, [this](ServiceResult<CloudTaskEnvelope> result) {
        if (result) {
            // The envelope's code and message say nothing that matters here.
            m_cloudRules = std::move(result.value().data);
            m_cloudCount = m_cloudRules.size();
        } else {
            // Forget the old list too, so that an import can never write a stale one.
            m_cloudRules.clear();
            m_cloudCount.reset();
            m_syncError = kCheckFailed;
            Log::line(u"[RuleSync] 获取云端规则失败："_s + result.error().localizedDescription());
        }
        m_isCheckingCloud = false;
        emit cloudStateChanged();
    });
}

void RulesPageViewModel::syncFromCloud()
{
    if (m_isSyncing)
        return;
    m_isSyncing = true;
    m_syncError.reset();
    emit cloudStateChanged();

    QList<CleanupRule> incoming;
    incoming.reserve(m_cloudRules.size());
    for (const CloudTaskRule& published : std::as_const(m_cloudRules))
        incoming.append(published.ruleJSON.toCleanupRule());

    // Every write is flushed to disk; a few hundred of them would stall the window.
    m_syncWatcher.setFuture(runJob([store = m_store, incoming = std::move(incoming)] {
        SyncOutcome outcome;
        for (const CleanupRule& rule : incoming) {
            // Published rules pass the same review as workshop rules before they are saved.
            if (const ReviewVerdict verdict = RuleReview::review(rule); !verdict.passed) {
                outcome.refused.append(rule.ruleKey() + u"："_s + verdict.reason());
                continue;
            }
            QString error;
            if (!store.saveRule(rule, &error))
                outcome.failures.append(rule.ruleKey() + u"，"_s + error);
        }
        outcome.rules = store.loadRules();
        return outcome;
    }));
}

void RulesPageViewModel::onSyncFinished()
{
    const SyncOutcome outcome = m_syncWatcher.result();
    for (const QString& failure : outcome.failures)
        Log::line(u"[RuleSync] 规则未能保存："_s + failure);
    for (const QString& refusal : outcome.refused)
        Log::line(u"[RuleSync] 规则未通过安全审核，未导入："_s + refusal);
    m_refusedCount = outcome.refused.size();
    setRules(outcome.rules);
    Log::line(u"[RuleSync] 同步完成，本地 %1 条，云端 %2 条"_s.arg(m_rules.size()).arg(m_cloudRules.size()));
    m_isSyncing = false;
    emit cloudStateChanged();
    emit syncFinished();
}

} // namespace Sweepora::Core
