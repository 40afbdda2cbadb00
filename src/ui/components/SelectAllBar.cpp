#include "ui/components/SelectAllBar.h"

#include "core/util/ByteCount.h"
#include "ui/components/Buttons.h"
#include "ui/style/Theme.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace Sweepora::Ui {

SelectAllBar::SelectAllBar(int checkboxInset, int trailingInset, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("selectAllBar"));
    auto* layout = m_layout = new QHBoxLayout(this);
    layout->setContentsMargins(checkboxInset, 0, trailingInset, 0);
    layout->setSpacing(10);
    m_box = new QCheckBox(QStringLiteral("全选"), this);
    m_box->setObjectName(QStringLiteral("selectAllBox"));
    m_box->setTristate(true);
    m_box->setToolTip(QStringLiteral("全选或取消全选（也可长按右下角的按钮）"));
    layout->addWidget(m_box);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("selectAllSummary"));
    m_summary->setTextFormat(Qt::PlainText);
    Theme::makeSecondary(m_summary);
    layout->addWidget(m_summary, 1);
    m_rescan = Buttons::bordered(QStringLiteral("重新扫描"), this);
    m_rescan->setObjectName(QStringLiteral("rescanButton"));
    m_rescan->hide();
    layout->addWidget(m_rescan);

    // The box's own cycle (through "partly") means nothing here: the page decides what a click
    // ticks, and the state it shows is always the one last set.
    connect(m_box, &QCheckBox::clicked, this, [this] {
        m_box->setCheckState(m_state);
        emit toggleAllRequested();
    });
    connect(m_rescan, &QPushButton::clicked, this, &SelectAllBar::rescanRequested);
    setSelection(0, 0);
}

void SelectAllBar::setSelection(qsizetype ticked, qsizetype total, qint64 tickedSize)
{
    m_state = ticked == 0 ? Qt::Unchecked : ticked == total ? Qt::Checked : Qt::PartiallyChecked;
    m_box->setCheckState(m_state);
    m_box->setEnabled(total > 0);
    QString text = ticked == 0 ? QStringLiteral("未选择项目（共 %1 项）").arg(total)
                               : QStringLiteral("已选 %1/%2 项").arg(ticked).arg(total);
    if (ticked > 0 && tickedSize >= 0)
        text += QStringLiteral(" · ") + Core::formattedByteCount(tickedSize);
    m_summary->setText(text);
}

void SelectAllBar::setShownSelection(qsizetype shownTicked, qsizetype shown)
{
    m_state = shownTicked == 0 ? Qt::Unchecked : shownTicked == shown ? Qt::Checked : Qt::PartiallyChecked;
    m_box->setCheckState(m_state);
    m_box->setEnabled(shown > 0);
}

void SelectAllBar::addControls(QWidget* controls)
{
    m_layout->insertWidget(m_layout->indexOf(m_rescan), controls);
    // Tab follows the line as it reads: 全选, the added controls, then 重新扫描.
    QWidget* previous = m_box;
    for (QWidget* w : controls->findChildren<QWidget*>())
        // A combo box's popup is a window of its own, outside the chain.
        if ((w->focusPolicy() & Qt::TabFocus) && w->window() == controls->window()) {
            setTabOrder(previous, w);
            previous = w;
        }
    setTabOrder(previous, m_rescan);
}

void SelectAllBar::setRescanVisible(bool visible)
{
    m_rescan->setVisible(visible);
}

} // namespace Sweepora::Ui
