#pragma once

#include <QWidget>

class QVariantAnimation;

namespace Sweepora::Ui {

// An indeterminate progress spinner; it turns only while it is shown.
class BusyIndicator : public QWidget
{
    Q_OBJECT
public:
    explicit BusyIndicator(int size = 32, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_size;
    qreal m_angle = 0;
    QVariantAnimation* m_spin = nullptr;
};

} // namespace Sweepora::Ui
