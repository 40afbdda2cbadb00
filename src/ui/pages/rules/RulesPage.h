#pragma once

#include "core/rules/CleanupRule.h"
#include "core/rules/RuleStore.h"

#include <QList>
#include <QWidget>

class QVBoxLayout;

namespace Sweepora::Core {
class RulesPageViewModel;
}

namespace Sweepora::Ui {

class CloudRuleCard;
class RuleCard;

// "规则管理": the cloud card, "我的规则" with "新加规则", and one card per local rule. The
// page owns its model; every time it is shown it checks the cloud (which reloads the local
// rules too), and a new rules version from the window reloads the list.
class RulesPage : public QWidget
{
    Q_OBJECT
public:
    explicit RulesPage(QWidget* parent = nullptr);
    explicit RulesPage(Core::RuleStore store, QWidget* parent = nullptr);
    ~RulesPage() override;

    Core::RulesPageViewModel& model() const { return *m_model; }
    CloudRuleCard* cloudCard() const { return m_cloudCard; }
    QList<RuleCard*> ruleCards() const;

    // The window's rules version (its refreshID).
    void setRefreshID(int refreshID);

signals:
    void editRequested(const Sweepora::Core::CleanupRule& rule);
    void addRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuildList();

    Core::RulesPageViewModel* m_model = nullptr;
    CloudRuleCard* m_cloudCard = nullptr;
    QWidget* m_list = nullptr;
    QVBoxLayout* m_listLayout = nullptr;
};

} // namespace Sweepora::Ui
