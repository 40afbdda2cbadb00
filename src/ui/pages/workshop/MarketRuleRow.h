#pragma once

#include "core/services/MarketTasks.h"

#include <QFrame>

namespace Sweepora::Ui {

// One workshop entry: its application's icon, the rule's name with "未审核" when it has not
// passed review, its description, the number of paths, and "查看".
class MarketRuleRow : public QFrame
{
    Q_OBJECT
public:
    explicit MarketRuleRow(const Core::MarketRule& entry, QWidget* parent = nullptr);

    const Core::MarketRule& entry() const { return m_entry; }
    bool showsUnreviewedBadge() const;

signals:
    void openRequested();

private:
    Core::MarketRule m_entry;
};

} // namespace Sweepora::Ui
