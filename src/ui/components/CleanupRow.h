#pragma once

#include "core/rules/CleanupResult.h"

#include <QFrame>

class QCheckBox;
class QLabel;

namespace Sweepora::Ui {

class AppIcon;

// One rule result as a card: checkbox, the application's icon, name over description, and the
// size over the file count. The checkbox asks for a toggle; a click anywhere else on the card
// asks to inspect the result's files.
class CleanupRow : public QFrame
{
    Q_OBJECT
public:
    // From the card's edge to its checkbox.
    static constexpr int kPadding = 14;

    explicit CleanupRow(const Core::CleanupResult& result, QWidget* parent = nullptr);

    void setResult(const Core::CleanupResult& result);
    const Core::CleanupResult& result() const { return m_result; }

signals:
    void toggled(const QString& resultId);
    void inspect(const QString& resultId);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setHovered(bool hovered);

    Core::CleanupResult m_result;
    bool m_pressed = false;
    QCheckBox* m_check = nullptr;
    AppIcon* m_icon = nullptr;
    QLabel* m_name = nullptr;
    QLabel* m_description = nullptr;
    QLabel* m_size = nullptr;
    QLabel* m_count = nullptr;
};

} // namespace Sweepora::Ui
