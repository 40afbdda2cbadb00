#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <optional>

class QWheelEvent;

namespace Sweepora::Ui {

// Watches the scroll wheel over one area (the detail column) and reports the direction of
// clearly vertical scrolls: true for downward. Wheel events go to the widget under the
// pointer, usually deep inside the area, so the filter sits on the application and keeps only
// events delivered inside the area's window whose position lies within the area. Events are
// always passed on unchanged.
class DetailScrollObserver : public QObject
{
    Q_OBJECT
public:
    explicit DetailScrollObserver(QWidget* area);
    ~DetailScrollObserver() override;

    // The direction of one wheel event, or nothing when it is not clearly vertical: the vertical
    // delta's magnitude must exceed the horizontal one's and exceed 1.0. Deltas are pixels when
    // the device gives them (touchpads), else degrees of wheel rotation.
    static std::optional<bool> directionOf(const QWheelEvent& event);

signals:
    void scrolled(bool downward);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_area;
};

} // namespace Sweepora::Ui
