#pragma once

#include <QFrame>

class QLabel;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace Sweepora::Core {
class RulesPageViewModel;
}

namespace Sweepora::Ui {

class BusyIndicator;

// The card at the top of the rules page: how many rules are local and how many the service
// publishes, and at its trailing edge a spinner, "同步", the up-to-date mark or "重新检查".
class CloudRuleCard : public QFrame
{
    Q_OBJECT
public:
    explicit CloudRuleCard(Core::RulesPageViewModel& model, QWidget* parent = nullptr);

    QString subtitle() const;
    // The control now shown at the trailing edge.
    QWidget* currentControl() const;

private:
    void update();

    Core::RulesPageViewModel& m_model;
    QLabel* m_subtitle = nullptr;
    QStackedWidget* m_control = nullptr;
    BusyIndicator* m_spinner = nullptr;
    QPushButton* m_sync = nullptr;
    QLabel* m_upToDate = nullptr;
    QToolButton* m_recheck = nullptr;
};

} // namespace Sweepora::Ui
