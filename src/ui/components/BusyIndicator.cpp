#include "ui/components/BusyIndicator.h"

#include "ui/style/Theme.h"

#include <QPainter>
#include <QVariantAnimation>

namespace Sweepora::Ui {

BusyIndicator::BusyIndicator(int size, QWidget* parent) : QWidget(parent), m_size(size)
{
    setObjectName(QStringLiteral("busyIndicator"));
    setFixedSize(size, size);
    m_spin = new QVariantAnimation(this);
    m_spin->setStartValue(0.0);
    m_spin->setEndValue(360.0);
    m_spin->setDuration(900);
    m_spin->setLoopCount(-1);
    connect(m_spin, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_angle = v.toReal();
        update();
    });
}

QSize BusyIndicator::sizeHint() const
{
    return QSize(m_size, m_size);
}

void BusyIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal pen = qMax<qreal>(2.0, m_size / 10.0);
    const QRectF r = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
    QColor track = Theme::secondaryText();
    track.setAlphaF(0.25f);
    p.setPen(QPen(track, pen, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(r);
    p.setPen(QPen(Theme::tint(Tint::accent), pen, Qt::SolidLine, Qt::RoundCap));
    // Angles in sixteenths of a degree, counter-clockwise from three o'clock.
    p.drawArc(r, qRound(-m_angle * 16), 100 * 16);
}

void BusyIndicator::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_spin->start();
}

void BusyIndicator::hideEvent(QHideEvent* event)
{
    m_spin->stop();
    QWidget::hideEvent(event);
}

} // namespace Sweepora::Ui
