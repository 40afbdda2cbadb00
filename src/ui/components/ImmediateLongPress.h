#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QAbstractButton;
class QTimer;

namespace Sweepora::Ui {

// A long press on a button that acts while the button is still held: once the press has
// lasted `minimumDuration`, `action` runs (once, however long the press goes on), and the click
// that the release would produce is swallowed. A press released earlier is an ordinary click
// (none on a disabled button, which still takes the long press).
// Installed as an event filter on the button, which owns it.
class ImmediateLongPress : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultMinimumMs = 600;

    ImmediateLongPress(QAbstractButton* button, std::function<void()> action,
                       int minimumDurationMs = kDefaultMinimumMs);

    int minimumDurationMs() const { return m_minimumMs; }
    // True from the moment the action ran until the press that caused it has ended.
    bool didTrigger() const { return m_didTrigger; }
    bool isPending() const { return m_pending; }

signals:
    void triggered();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Timing seam: start or stop the one wait of `ms` after which fire() must be called.
    virtual void schedule(int ms);
    virtual void cancel();
    // The wait ended: run the action unless it already ran for this press.
    void fire();

private:
    void reset();

    QPointer<QAbstractButton> m_button;
    std::function<void()> m_action;
    int m_minimumMs;
    bool m_pending = false;
    bool m_didTrigger = false;
    bool m_acting = false; // the action is running
    QTimer* m_timer = nullptr;
};

} // namespace Sweepora::Ui
