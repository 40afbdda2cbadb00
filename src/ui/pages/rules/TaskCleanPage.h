#pragma once

#include "core/rules/CleanupResult.h"

#include <QList>
#include <QWidget>

#include <optional>

class QLabel;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;

namespace Sweepora::Core {
class CleanupViewModel;
}

namespace Sweepora::Ui {

class CleanupRow;
class EmptyState;
class FloatingActionButton;
class ScanFilePanel;
class ScanProgressCard;
class SelectAllBar;

// The page of 常规清理: shows the rule scanner's state (a progress card while rules are
// scanned, one row per result, or the placeholder), a floating button that scans or moves the
// ticked results to the Trash (a long press ticks or clears all), and a side panel with one
// result's files. It observes the window's view model, which must outlive it, and keeps no
// scan state of its own.
class TaskCleanPage : public QWidget
{
    Q_OBJECT
public:
    // Rows are built a screenful at a time as the list scrolls: a scan can give hundreds of
    // results, and a card per result costs an icon lookup and a dozen widgets.
    static constexpr int kRowBatch = 24;
    static constexpr int kLongPressMs = 600;

    explicit TaskCleanPage(Core::CleanupViewModel& model, QWidget* parent = nullptr);

    Core::CleanupViewModel& model() const { return *m_model; }
    ScanProgressCard* progressCard() const { return m_progressCard; }
    EmptyState* emptyState() const { return m_emptyState; }
    FloatingActionButton* actionButton() const { return m_button; }
    ScanFilePanel* filePanel() const { return m_panel; }
    QScrollArea* resultList() const { return m_scroll; }
    // The view model's message above the list (the placeholder shows it when there is no list).
    QLabel* statusLine() const { return m_status; }
    SelectAllBar* selectAllBar() const { return m_selectBar; }
    // The rows built so far, in list order (a prefix of the results).
    const QList<CleanupRow*>& rows() const { return m_rows; }
    // The result whose files the side panel shows (a copy taken when it was opened).
    const std::optional<Core::CleanupResult>& detailResult() const { return m_detail; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateState();
    void updateMessage();
    void updateResults();
    // The button and the 全选 line, which follow the state and the ticks.
    void updateButton();
    // Builds further rows while the built ones end less than a screen below the visible part.
    void buildRowsAhead();
    CleanupRow* appendRow(const Core::CleanupResult& result);
    void tapButton();
    void longPressButton();
    void inspect(const QString& resultId);
    void closeDetail();

    Core::CleanupViewModel* m_model;
    std::optional<Core::CleanupResult> m_detail;

    QWidget* m_cardHolder = nullptr;
    ScanProgressCard* m_progressCard = nullptr;
    QStackedWidget* m_content = nullptr;
    EmptyState* m_emptyState = nullptr;
    QWidget* m_listPane = nullptr;
    QLabel* m_status = nullptr;
    SelectAllBar* m_selectBar = nullptr;
    QScrollArea* m_scroll = nullptr;
    QVBoxLayout* m_rowLayout = nullptr;
    QList<CleanupRow*> m_rows;
    ScanFilePanel* m_panel = nullptr;
    FloatingActionButton* m_button = nullptr;
};

} // namespace Sweepora::Ui
