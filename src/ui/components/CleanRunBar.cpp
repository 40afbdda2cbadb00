#include "ui/components/CleanRunBar.h"

#include "platform/PlatformLayout.h"
#include "trash/CleanRun.h"
#include "ui/pages/Buttons.h"
#include "ui/pages/UrlOpener.h"
#include "ui/style/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace Sweepora::Ui {

namespace {
constexpr int kMargin = 16;
} // namespace

CleanRunBar::CleanRunBar(Core::CleanRun& run, QWidget* page) : QFrame(page), m_run(run)
{
    setObjectName(QStringLiteral("cleanRunBar"));
    Theme::makeCard(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 6, 8, 6);
    layout->setSpacing(8);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("cleanRunText"));
    m_text->setWordWrap(true);
    layout->addWidget(m_text, 1);
    m_cancel = Buttons::bordered(QStringLiteral("取消"), this);
    m_undo = Buttons::prominent(QStringLiteral("撤销"), this);
    m_undo->setToolTip(QStringLiteral("把这次清理移走的项目放回原处"));
    m_openTrash = Buttons::bordered(QStringLiteral("打开废纸篓"), this);
    m_close = Buttons::bordered(QStringLiteral("关闭"), this);
    for (QPushButton* b : {m_cancel, m_undo, m_openTrash, m_close})
        layout->addWidget(b);

    connect(m_cancel, &QPushButton::clicked, this, [this] { m_run.cancel(); });
    connect(m_undo, &QPushButton::clicked, this, [this] { m_run.undo(); });
    connect(m_openTrash, &QPushButton::clicked, this,
            [this] { openFolder(parentWidget(), Core::PlatformLayout::current().trashFolder); });
    connect(m_close, &QPushButton::clicked, this, [this] {
        m_closed = true;
        refresh();
    });
    connect(&m_run, &Core::CleanRun::changed, this, [this] {
        m_closed = false;
        refresh();
    });
    page->installEventFilter(this);
    refresh();
}

bool CleanRunBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        place();
    return QFrame::eventFilter(watched, event);
}

void CleanRunBar::refresh()
{
    const bool running = m_run.running();
    m_text->setText(m_run.text());
    m_cancel->setVisible(running);
    m_undo->setVisible(m_run.canUndo());
    m_openTrash->setVisible(!running);
    m_close->setVisible(!running);
    setVisible(!m_closed && (running || !m_run.text().isEmpty()));
    place();
}

void CleanRunBar::place()
{
    QWidget* page = parentWidget();
    if (page == nullptr || isHidden())
        return;
    // Clear of the floating action button in the lower right corner.
    const int width = qMax(260, page->width() * 3 / 5 - kMargin);
    setFixedWidth(qMin(width, page->width() - 2 * kMargin));
    adjustSize();
    move(kMargin, page->height() - height() - kMargin);
    raise();
}

} // namespace Sweepora::Ui
