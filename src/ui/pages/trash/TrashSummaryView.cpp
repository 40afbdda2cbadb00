#include "ui/pages/trash/TrashSummaryView.h"

#include "core/platform/PlatformWords.h"
#include "core/scanners/TrashSummaryViewModel.h"
#include "core/trash/EmptyTrashViewModel.h"
#include "ui/components/Buttons.h"
#include "ui/components/Confirmation.h"
#include "ui/components/UrlOpener.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace Sweepora::Ui {

TrashSummaryView::TrashSummaryView(QWidget* parent) : QWidget(parent), m_model(new Core::TrashSummaryViewModel(this))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_button = new QPushButton(this);
    m_button->setObjectName(QStringLiteral("trashCard"));
    m_button->setFlat(true);
    m_button->setCursor(Qt::PointingHandCursor);
    m_button->setToolTip(QStringLiteral("在") + Core::PlatformWords::fileManager() + QStringLiteral("中打开废纸篓"));
    m_button->setMinimumHeight(58);
    outer->addWidget(m_button);

    auto* layout = new QHBoxLayout(m_button);
    layout->setContentsMargins(14, 8, 14, 8);
    layout->setSpacing(10);
    auto* icon = new QLabel(m_button);
    icon->setPixmap(Symbols::pixmap(QStringLiteral("trash"), 22, Theme::tint(Tint::accent), devicePixelRatioF()));
    icon->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(icon);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = new QLabel(QStringLiteral("废纸篓"), m_button);
    title->setFont(Theme::font(TextStyle::headline));
    title->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_status = new QLabel(m_button);
    m_status->setObjectName(QStringLiteral("trashStatus"));
    m_status->setFont(Theme::font(TextStyle::caption));
    m_status->setAttribute(Qt::WA_TransparentForMouseEvents);
    Theme::makeSecondary(m_status);
    texts->addWidget(title);
    texts->addWidget(m_status);
    layout->addLayout(texts, 1);

    // Emptying is the one removal for good, so it sits apart from the card and always asks.
    m_emptying = new Core::EmptyTrashViewModel(this);
    auto* emptyRow = new QHBoxLayout;
    emptyRow->setContentsMargins(14, 0, 14, 6);
    m_emptyMessage = new QLabel(this);
    m_emptyMessage->setObjectName(QStringLiteral("emptyTrashMessage"));
    m_emptyMessage->setFont(Theme::font(TextStyle::caption));
    Theme::makeSecondary(m_emptyMessage);
    emptyRow->addWidget(m_emptyMessage, 1);
    m_emptyButton = Buttons::bordered(QStringLiteral("清空废纸篓…"), this);
    m_emptyButton->setObjectName(QStringLiteral("emptyTrashButton"));
    emptyRow->addWidget(m_emptyButton);
    outer->addLayout(emptyRow);
    connect(m_emptyButton, &QPushButton::clicked, m_emptying, &Core::EmptyTrashViewModel::start);
    connect(m_emptying, &Core::EmptyTrashViewModel::stepChanged, this, [this] {
        updateEmptying();
        if (m_emptying->step() == Core::EmptyTrashViewModel::Step::awaitingConfirmation)
            askToEmpty();
    });
    connect(m_emptying, &Core::EmptyTrashViewModel::messageChanged, this, &TrashSummaryView::updateEmptying);

    // Even when the Trash cannot be counted, its folder may still open in the file browser.
    connect(m_button, &QPushButton::clicked, this, [this] { openFolder(this, m_model->trashPath()); });
    connect(m_model, &Core::TrashSummaryViewModel::summaryChanged, this, &TrashSummaryView::updateStatus);
    connect(m_model, &Core::TrashSummaryViewModel::isLoadingChanged, this, &TrashSummaryView::updateStatus);
    connect(m_model, &Core::TrashSummaryViewModel::showFullDiskAccessPromptChanged, this,
            &TrashSummaryView::updateAlert);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                m_model->applicationDidBecomeActive();
        });
    }
    updateStatus();
}

TrashSummaryView::~TrashSummaryView()
{
    // Its close handler reaches the emptying model, a child that goes before the box would.
    delete m_emptyConfirmation;
}

QString TrashSummaryView::statusText() const
{
    return m_status->text();
}

void TrashSummaryView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_model->refreshTrashSummary();
}

void TrashSummaryView::updateStatus()
{
    m_status->setText(m_model->statusText());
}

void TrashSummaryView::updateAlert()
{
    if (!m_model->showFullDiskAccessPrompt() || m_alert != nullptr)
        return;
#ifdef Q_OS_MACOS
    m_alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("需要完全磁盘访问"),
                              QStringLiteral("Sweepora已获得个人文件夹授权，但 macOS 仍阻止读取 Finder 废纸篓。"
                                             "请在“隐私与安全性 → 完全磁盘访问”中允许Sweepora，"
                                             "然后按照系统提示重新打开应用。"),
                              QMessageBox::NoButton, this);
    QPushButton* open = m_alert->addButton(QStringLiteral("打开系统设置"), QMessageBox::AcceptRole);
    m_alert->addButton(QStringLiteral("稍后"), QMessageBox::RejectRole);
    const QUrl address(kSystemSettingsAddress);
#else
    // No system setting grants this on Linux: the folder's own owner or mode is wrong.
    const QString folder = m_model->trashPath();
    m_alert =
        new QMessageBox(QMessageBox::Warning, QStringLiteral("无法读取废纸篓"),
                        QStringLiteral("没有权限读取废纸篓文件夹“%1”。请检查它的所有者和权限后重试。").arg(folder),
                        QMessageBox::NoButton, this);
    QPushButton* open = m_alert->addButton(Core::PlatformWords::showInFileManager(), QMessageBox::AcceptRole);
    m_alert->addButton(QStringLiteral("好"), QMessageBox::RejectRole);
    const QUrl address = QUrl::fromLocalFile(QFileInfo(folder).absolutePath());
#endif
    m_alert->setObjectName(QStringLiteral("fullDiskAccessAlert"));
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_alert, &QMessageBox::finished, this, [this, open, address] {
        const bool opening = m_alert->clickedButton() == open;
        m_alert = nullptr;
        m_model->dismissFullDiskAccessPrompt();
        if (opening)
            openUrl(address);
    });
    m_alert->open();
}

void TrashSummaryView::updateEmptying()
{
    using Step = Core::EmptyTrashViewModel::Step;
    const Step step = m_emptying->step();
    m_emptyMessage->setText(m_emptying->message());
    m_emptyButton->setEnabled(step == Step::idle);
}

void TrashSummaryView::askToEmpty()
{
    if (m_emptyConfirmation != nullptr)
        return;
    m_emptyConfirmation = askToConfirm(this, QStringLiteral("清空废纸篓？"), m_emptying->confirmationText(),
                                       QStringLiteral("清空废纸篓"), [this] { m_emptying->confirm(); });
    m_emptyConfirmation->setObjectName(QStringLiteral("emptyTrashConfirmation"));
    // Closed any other way than by the action: nothing is removed.
    connect(m_emptyConfirmation, &QObject::destroyed, this, [this] {
        m_emptyConfirmation = nullptr;
        m_emptying->decline();
    });
}

} // namespace Sweepora::Ui
