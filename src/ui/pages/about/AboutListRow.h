#pragma once

#include "ui/style/Theme.h"

#include <QWidget>

class QLabel;

namespace Sweepora::Ui {

// One row of the About page: a tinted symbol in a 38 × 38 area, the title over the subtitle,
// the trailing text and, when asked for, a closing chevron. A row with an action is a plain
// button (it emits clicked); the others are inert.
class AboutListRow : public QWidget
{
    Q_OBJECT
public:
    struct Content
    {
        QString icon;
        Tint color = Tint::gray;
        QString title;
        QString subtitle;
        QString trailingText;
        bool showsChevron = false;
    };

    AboutListRow(const Content& content, bool actionable, QWidget* parent = nullptr);

    const Content& content() const { return m_content; }
    bool isActionable() const { return m_actionable; }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Content m_content;
    bool m_actionable;
};

} // namespace Sweepora::Ui
