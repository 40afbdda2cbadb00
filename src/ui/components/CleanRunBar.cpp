#include "ui/components/CleanRunBar.h"

#include "core/platform/PlatformLayout.h"
#include "core/trash/CleanRun.h"
#include "ui/components/Buttons.h"
#include "ui/components/UrlOpener.h"
#include "ui/style/Theme.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

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
    m_failures = Buttons::bordered(QStringLiteral("查看"), this);
    m_failures->setObjectName(QStringLiteral("cleanRunFailures"));
    m_failures->setToolTip(QStringLiteral("查看未能移到废纸篓的项目及原因"));
    m_close = Buttons::bordered(QStringLiteral("关闭"), this);
    for (QPushButton* b : {m_cancel, m_failures, m_undo, m_openTrash, m_close})
        layout->addWidget(b);

    connect(m_cancel, &QPushButton::clicked, this, [this] { m_run.cancel(); });
    connect(m_undo, &QPushButton::clicked, this, [this] { m_run.undo(); });
    connect(m_failures, &QPushButton::clicked, this, &CleanRunBar::showFailures);
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
    m_failures->setVisible(!running && !m_run.failures().isEmpty());
    m_openTrash->setVisible(!running);
    m_close->setVisible(!running);
    setVisible(!m_closed && (running || !m_run.text().isEmpty()));
    place();
}

QDialog* CleanRunBar::showFailures()
{
    const QList<Core::TrashFailure>& failures = m_run.failures();
    auto* dialog = new QDialog(window());
    dialog->setObjectName(QStringLiteral("cleanFailuresDialog"));
    dialog->setWindowTitle(QStringLiteral("未能移动的项目"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(dialog);
    auto* heading = new QLabel(QStringLiteral("以下 %1 项仍在原处：").arg(failures.size()), dialog);
    layout->addWidget(heading);
    auto* list = new QListWidget(dialog);
    list->setObjectName(QStringLiteral("cleanFailuresList"));
    list->setTextElideMode(Qt::ElideMiddle);
    for (const Core::TrashFailure& failure : failures) {
        auto* item = new QListWidgetItem(failure.path + QStringLiteral("\n") + failure.error, list);
        item->setToolTip(failure.path);
    }
    layout->addWidget(list, 1);
    auto* buttons = new QDialogButtonBox(dialog);
    buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog->resize(560, 360);
    dialog->open();
    return dialog;
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
