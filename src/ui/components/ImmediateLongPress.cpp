#include "ui/components/ImmediateLongPress.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <QTimer>

namespace Sweepora::Ui {

ImmediateLongPress::ImmediateLongPress(QAbstractButton* button, std::function<void()> action, int minimumDurationMs)
    : QObject(button), m_button(button), m_action(std::move(action)), m_minimumMs(minimumDurationMs)
{
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &ImmediateLongPress::fire);
    button->installEventFilter(this);
}

void ImmediateLongPress::schedule(int ms)
{
    m_timer->start(ms);
}

void ImmediateLongPress::cancel()
{
    m_timer->stop();
}

void ImmediateLongPress::fire()
{
    if (!m_pending)
        return;
    m_pending = false;
    if (m_didTrigger)
        return;
    m_didTrigger = true;
    // What the action does to the button (ticking all enables it, clearing all disables it)
    // is no interruption of the press.
    m_acting = true;
    emit triggered();
    if (m_action)
        m_action();
    m_acting = false;
}

void ImmediateLongPress::reset()
{
    if (m_pending)
        cancel();
    m_pending = false;
    m_didTrigger = false;
}

bool ImmediateLongPress::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_button)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // A disabled button still takes the long press: with nothing ticked, the clean cannot be
        // started, but ticking all is just what the press is for.
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (!m_pending && !m_didTrigger) {
            m_pending = true;
            schedule(m_minimumMs);
        }
        return false;
    }
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (m_pending) {
            cancel();
            m_pending = false;
        }
        if (!m_didTrigger)
            return false;
        // The press already acted: end it without the click the button would emit.
        m_didTrigger = false;
        m_button->setDown(false);
        return true;
    }
    case QEvent::Hide:
        // A button hidden mid-press never sees its release: start afresh.
        reset();
        return false;
    case QEvent::EnabledChange:
        // Likewise when disabled, unless by the action itself.
        if (!m_button->isEnabled() && !m_acting)
            reset();
        return false;
    default:
        return false;
    }
}

} // namespace Sweepora::Ui
