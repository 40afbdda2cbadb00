#pragma once

#include "core/quick/QuickCleanupViewModel.h"

#include <QPushButton>
#include <QWidget>

#include <functional>

class QLabel;

namespace Sweepora::Ui {

class BusyIndicator;

// One card of the quick cleanup: symbol tile, title and status; once there is activity, a
// second row with the figures and a spinner while it scans or an arrow when it is done.
class QuickCleanupGlassCard : public QPushButton
{
    Q_OBJECT
public:
    explicit QuickCleanupGlassCard(QWidget* parent = nullptr);
    void show(const Core::QuickCleanupCard& card, bool hasActivity);

    QString statusText() const;
    QString figureText() const;
    QString countText() const;
    bool figuresShown() const; // visible and done opening
    bool spinnerShown() const;
    bool arrowShown() const;

private:
    QString m_symbol;
    QLabel* m_tile = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_status = nullptr;
    QWidget* m_figures = nullptr;
    QLabel* m_figure = nullptr;
    QLabel* m_count = nullptr;
    BusyIndicator* m_spinner = nullptr;
    QLabel* m_arrow = nullptr;
};

// 快速清理: six cards over the window's six scanner models and one button that starts them all.
// A card opens its scanner's own section, where the user reviews and cleans.
class QuickCleanupPage : public QWidget
{
    Q_OBJECT
public:
    QuickCleanupPage(Core::QuickCleanupViewModel::Models models, std::function<void(const QString&)> onOpenSection,
                     QWidget* parent = nullptr);

    Core::QuickCleanupViewModel& model() const { return *m_model; }
    QPushButton* startButton() const { return m_start; }
    QPushButton* cancelButton() const { return m_cancel; }
    QuickCleanupGlassCard* card(int index) const { return m_cards.value(index); }

private:
    void refresh();

    Core::QuickCleanupViewModel* m_model = nullptr; // a child of the page
    std::function<void(const QString&)> m_onOpenSection;
    QList<QuickCleanupGlassCard*> m_cards;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancel = nullptr;
    BusyIndicator* m_startSpinner = nullptr;
};

} // namespace Sweepora::Ui
