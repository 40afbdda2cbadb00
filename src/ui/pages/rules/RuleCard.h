#pragma once

#include "core/rules/CleanupRule.h"

#include <QFrame>

namespace Sweepora::Ui {

// One local rule on the rules page: its application's icon, name, description, PackName,
// the number of paths and the paths themselves, and "编辑".
class RuleCard : public QFrame
{
    Q_OBJECT
public:
    explicit RuleCard(const Core::CleanupRule& rule, QWidget* parent = nullptr);

    const Core::CleanupRule& rule() const { return m_rule; }

signals:
    void editRequested(const Sweepora::Core::CleanupRule& rule);

private:
    Core::CleanupRule m_rule;
};

} // namespace Sweepora::Ui
