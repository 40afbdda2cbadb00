#pragma once

#include "core/services/MarketTasks.h"

#include <QList>
#include <QWidget>

class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace Sweepora::Core {
class RuleWorkshopViewModel;
}

namespace Sweepora::Ui {

class MarketRuleRow;
class PlaceholderView;

// "规则工坊": "云端规则" with "上传规则", and under it the workshop's entries, or a spinner, the
// error with "重新加载", or the empty view. The page owns its model and loads every time it is
// shown and whenever the window's workshop version changes.
class RuleWorkshopPage : public QWidget
{
    Q_OBJECT
public:
    explicit RuleWorkshopPage(QWidget* parent = nullptr);
    ~RuleWorkshopPage() override;

    Core::RuleWorkshopViewModel& model() const { return *m_model; }
    QList<MarketRuleRow*> rows() const;
    // The content now shown: the list, or the placeholder for loading, error or empty.
    QWidget* currentContent() const;
    PlaceholderView* placeholder() const { return m_placeholder; }
    QPushButton* reloadButton() const { return m_reload; }

    // The window's workshop version (its refreshID).
    void setRefreshID(int refreshID);

signals:
    void openRequested(const Sweepora::Core::MarketRule& entry);
    void uploadRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void update();
    void rebuildList();

    Core::RuleWorkshopViewModel* m_model = nullptr;
    QStackedWidget* m_content = nullptr;
    QWidget* m_placeholderPage = nullptr;
    PlaceholderView* m_placeholder = nullptr;
    QPushButton* m_reload = nullptr;
    QWidget* m_listPage = nullptr;
    QWidget* m_list = nullptr;
    QVBoxLayout* m_listLayout = nullptr;
    QList<Core::MarketRule> m_shownRules;
};

} // namespace Sweepora::Ui
