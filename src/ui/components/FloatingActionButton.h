#pragma once

#include <QPushButton>
#include <functional>

namespace Sweepora::Ui {

class ImmediateLongPress;

// The prominent action button that floats over a page's bottom-trailing corner: a label with a
// symbol, 15 semibold, padded 20 × 14. It follows the corner as the page resizes. A long-press
// action can be attached; the click that ends a long press is swallowed. While it shows the
// trash symbol, the Delete key clicks it.
class FloatingActionButton : public QPushButton
{
    Q_OBJECT
public:
    static constexpr int kMargin = 24;

    // `overlayParent` is the page the button floats over.
    explicit FloatingActionButton(QWidget* overlayParent);

    // The room a list needs below its last row so that the button, in its corner, never covers it.
    int clearance() const { return sizeHint().height() + 2 * kMargin; }

    void setSymbol(const QString& name);
    QString symbol() const { return m_symbol; }
    // Sets label, symbol and tooltip together.
    void setContent(const QString& text, const QString& symbol, const QString& toolTip);

    // Runs `action` after a press held 0.6 s (or `minimumDurationMs`).
    void setLongPressAction(std::function<void()> action, int minimumDurationMs = 600);
    ImmediateLongPress* longPress() const { return m_longPress; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void placeInCorner();

    QString m_symbol;
    ImmediateLongPress* m_longPress = nullptr;
};

} // namespace Sweepora::Ui
