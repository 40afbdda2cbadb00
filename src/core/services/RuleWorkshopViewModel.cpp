#include "core/services/RuleWorkshopViewModel.h"

#include "core/services/ServiceEndpoints.h"

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

RuleWorkshopViewModel::RuleWorkshopViewModel(QObject* parent) : QObject(parent)
{}

RuleWorkshopViewModel::ContentState RuleWorkshopViewModel::contentState() const
{
    if (m_isLoading && m_rules.isEmpty())
        return ContentState::loading;
    if (m_errorMessage && m_rules.isEmpty())
        return ContentState::unavailable;
    if (m_rules.isEmpty())
        return ContentState::empty;
    return ContentState::list;
}

void RuleWorkshopViewModel::load()
{
    if (m_isLoading)
        return;
    m_isLoading = true;
    m_errorMessage.reset();
    emit stateChanged();

    ServiceEndpoints::fetchMarketTasks(this, [this](ServiceResult<MarketTaskEnvelope> result) {
        if (result)
            m_rules = std::move(result.value().data);
        else
            m_errorMessage = result.error().localizedDescription();
        m_isLoading = false;
        emit stateChanged();
        emit loadFinished();
    });
}

void RuleWorkshopViewModel::setRefreshID(int refreshID)
{
    const bool changed = m_refreshID && *m_refreshID != refreshID;
    m_refreshID = refreshID;
    if (changed)
        load();
}

QString RuleWorkshopViewModel::pathCountText(const MarketRule& entry)
{
    return QString::number(entry.ruleJSON.paths.size()) + u" 个扫描路径"_s;
}

} // namespace Sweepora::Core
