#include "ui/pages/apps/ApplicationUninstallPage.h"

#include "core/apps/ApplicationUninstallModel.h"
#include "core/apps/LeftoverViewModel.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/PlatformWords.h"
#include "core/util/ByteCount.h"
#include "core/util/NameOrder.h"
#include "ui/components/AppIcon.h"
#include "ui/components/CleanRunBar.h"
#include "ui/components/FileItemDelegate.h"
#include "ui/components/FileItemList.h"
#include "ui/components/RevealInFileManager.h"
#include "ui/components/UrlOpener.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVBoxLayout>

namespace Sweepora::Ui {
namespace {

QLabel* secondaryLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(Theme::font(TextStyle::subheadline));
    Theme::makeSecondary(label);
    return label;
}

QToolButton* symbolButton(const QString& symbol, const QString& toolTip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(Symbols::icon(symbol));
    button->setToolTip(toolTip);
    button->setAutoRaise(true);
    button->setFixedSize(28, 28);
    return button;
}

// Where a Linux application comes from, as the row says it; nothing for a bundle.
QString kindText(Core::ApplicationKind kind)
{
    switch (kind) {
    case Core::ApplicationKind::bundle:
        return {};
    case Core::ApplicationKind::desktop:
        return QStringLiteral("系统软件包");
    case Core::ApplicationKind::user:
        return QStringLiteral("用户程序");
    case Core::ApplicationKind::flatpak:
        return QStringLiteral("Flatpak");
    case Core::ApplicationKind::snap:
        return QStringLiteral("Snap");
    case Core::ApplicationKind::appImage:
        return QStringLiteral("AppImage");
    }
    return {};
}

// One application: icon, name over path, total size over the related count, and the button
// that opens the side panel.
QFrame* applicationRow(const Core::UninstallApplication& app, QWidget* parent, const std::function<void()>& onInspect)
{
    auto* card = new QFrame(parent);
    card->setObjectName(QStringLiteral("uninstallRow"));
    Theme::makeCard(card);
    auto* layout = new QHBoxLayout(card);
    layout->setContentsMargins(14, 10, 14, 10);
    layout->setSpacing(12);
    layout->addWidget(new AppIcon(app.icon.isEmpty() ? app.bundleID.value_or(QString()) : app.icon, 42, card));

    auto* texts = new QVBoxLayout;
    auto* name = new QLabel(app.name, card);
    name->setFont(Theme::font(TextStyle::headline));
    texts->addWidget(name);
    const QString kind = kindText(app.kind);
    auto* path = secondaryLabel(kind.isEmpty() ? app.path : kind + QStringLiteral(" · ") + app.path, card);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    texts->addWidget(path);
    layout->addLayout(texts, 1);

    auto* sizes = new QVBoxLayout;
    auto* total = new QLabel(Core::formattedByteCount(app.totalSize()), card);
    total->setObjectName(QStringLiteral("uninstallRowSize"));
    total->setFont(Theme::font(TextStyle::headline));
    total->setAlignment(Qt::AlignRight);
    sizes->addWidget(total);
    auto* count = secondaryLabel(QStringLiteral("应用 + %1 个关联项目").arg(app.related.size()), card);
    count->setAlignment(Qt::AlignRight);
    sizes->addWidget(count);
    layout->addLayout(sizes);

    QToolButton* inspect = symbolButton(QStringLiteral("list.bullet"), QStringLiteral("查看文件"), card);
    inspect->setObjectName(QStringLiteral("uninstallRowInspect"));
    QObject::connect(inspect, &QToolButton::clicked, card, onInspect);
    layout->addWidget(inspect);
    return card;
}

QStandardItem* detailItem(const QString& path, qint64 size)
{
    auto* item = new QStandardItem(Core::lastPathComponent(path));
    item->setData(path, FileItemRole::Path);
    item->setData(size, FileItemRole::Size);
    item->setEditable(false);
    return item;
}

} // namespace

ApplicationUninstallPage::ApplicationUninstallPage(QWidget* parent)
    : QWidget(parent), m_model(std::make_unique<Core::ApplicationUninstallModel>()),
      m_leftovers(std::make_unique<Core::LeftoverViewModel>()), m_reveal([this](const QString& path) {
          if (!revealInFileManager(path))
              sayNoFileManager(this, path);
      })
{
    setObjectName(QStringLiteral("applicationUninstallPage"));
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(column, 1);

    // The two lists of the page; the leftovers only where applications leave them (Linux).
    auto* switches = new QHBoxLayout;
    switches->setContentsMargins(40, 0, 40, 8);
    m_appsSwitch = new QPushButton(QStringLiteral("已安装应用"), this);
    m_leftoversSwitch = new QPushButton(QStringLiteral("残留文件"), this);
    m_leftoversSwitch->setObjectName(QStringLiteral("leftoversSwitch"));
    for (QPushButton* b : {m_appsSwitch, m_leftoversSwitch}) {
        b->setCheckable(true);
        b->setAutoExclusive(true);
        switches->addWidget(b);
    }
    m_appsSwitch->setChecked(true);
    switches->addStretch(1);
    const bool onLinux = Core::PlatformLayout::current().applicationProfile == Core::ApplicationProfile::linuxDesktop;
    m_appsSwitch->setVisible(onLinux);
    m_leftoversSwitch->setVisible(onLinux);
    column->addLayout(switches);
    m_stack = new QStackedWidget(this);
    column->addWidget(m_stack, 1);
    auto* appsPage = new QWidget(m_stack);
    auto* appsColumn = new QVBoxLayout(appsPage);
    appsColumn->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(appsPage);
    m_stack->addWidget(buildLeftovers());

    auto* header = new QHBoxLayout;
    header->setContentsMargins(40, 0, 40, 8);
    m_message = secondaryLabel(m_model->message(), this);
    m_message->setObjectName(QStringLiteral("uninstallMessage"));
    header->addWidget(m_message, 1);
    m_rescan = new QPushButton(QStringLiteral("重新扫描"), this);
    header->addWidget(m_rescan);
    appsColumn->addLayout(header);

    m_busy = new QProgressBar(this);
    m_busy->setRange(0, 0); // indeterminate
    m_busy->setTextVisible(false);
    m_busy->setMaximumHeight(6);
    m_busy->hide();
    auto* busyBox = new QVBoxLayout;
    busyBox->setContentsMargins(40, 0, 40, 8);
    busyBox->addWidget(m_busy);
    appsColumn->addLayout(busyBox);

    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    auto* host = new QWidget(m_scroll);
    m_rowLayout = new QVBoxLayout(host);
    m_rowLayout->setContentsMargins(40, 0, 40, 24);
    m_rowLayout->setSpacing(10);
    m_rowLayout->addStretch(1);
    m_scroll->setWidget(host);
    appsColumn->addWidget(m_scroll, 1);

    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("uninstallDetailPanel"));
    m_panel->setFixedWidth(380);
    Theme::makeCard(m_panel);
    auto* panelLayout = new QVBoxLayout(m_panel);
    auto* panelHeader = new QHBoxLayout;
    m_panelTitle = new QLabel(m_panel);
    QFont titleFont = Theme::font(TextStyle::title3);
    titleFont.setBold(true);
    m_panelTitle->setFont(titleFont);
    panelHeader->addWidget(m_panelTitle, 1);
    QToolButton* close = symbolButton(QStringLiteral("xmark"), QStringLiteral("关闭"), m_panel);
    panelHeader->addWidget(close);
    panelLayout->addLayout(panelHeader);
    m_panelNote = secondaryLabel(QString(), m_panel);
    m_panelNote->setObjectName(QStringLiteral("uninstallRemovalNote"));
    m_panelNote->setWordWrap(true);
    m_panelNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    panelLayout->addWidget(m_panelNote);
    FileItemDelegate::Options options;
    options.checkbox = false;
    options.cards = false;
    options.defaultSymbol = QStringLiteral("folder.fill");
    m_detailList = new FileItemList(options, m_panel);
    m_detailModel = new QStandardItemModel(m_detailList);
    m_detailList->setModel(m_detailModel);
    panelLayout->addWidget(m_detailList, 1);
    m_uninstall = new QPushButton(QStringLiteral("卸载并移到废纸篓"), m_panel);
    m_uninstall->setDefault(true);
    panelLayout->addWidget(m_uninstall);
    m_panel->hide();
    outer->addWidget(m_panel);

    connect(m_appsSwitch, &QPushButton::clicked, this, [this] { showLeftovers(false); });
    connect(m_leftoversSwitch, &QPushButton::clicked, this, [this] { showLeftovers(true); });
    connect(close, &QToolButton::clicked, this, [this] { showDetail(QString()); });
    connect(m_uninstall, &QPushButton::clicked, this, &ApplicationUninstallPage::requestUninstall);
    connect(m_rescan, &QPushButton::clicked, this, [this] { m_model->scan(); });
    connect(m_model.get(), &Core::ApplicationUninstallModel::messageChanged, this,
            [this] { m_message->setText(m_model->message()); });
    connect(m_model.get(), &Core::ApplicationUninstallModel::isScanningChanged, this, [this] {
        m_busy->setVisible(m_model->isScanning());
        m_rescan->setEnabled(!m_model->isScanning());
    });
    connect(m_model.get(), &Core::ApplicationUninstallModel::applicationsChanged, this,
            &ApplicationUninstallPage::rebuildRows);
    connect(m_model.get(), &Core::ApplicationUninstallModel::manualRemovalPathChanged, this,
            &ApplicationUninstallPage::showManualRemovalAlert);
    new CleanRunBar(m_model->cleanRun(), this);
    new CleanRunBar(m_leftovers->cleanRun(), this);
}

QWidget* ApplicationUninstallPage::buildLeftovers()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(40, 0, 40, 24);
    auto* header = new QHBoxLayout;
    m_leftoverMessage = secondaryLabel(m_leftovers->message(), page);
    m_leftoverMessage->setObjectName(QStringLiteral("leftoverMessage"));
    header->addWidget(m_leftoverMessage, 1);
    m_leftoverSelectAll = new QPushButton(QStringLiteral("全选"), page);
    header->addWidget(m_leftoverSelectAll);
    auto* rescan = new QPushButton(QStringLiteral("重新扫描"), page);
    header->addWidget(rescan);
    m_leftoverClean = new QPushButton(QStringLiteral("移到废纸篓"), page);
    m_leftoverClean->setObjectName(QStringLiteral("leftoverClean"));
    header->addWidget(m_leftoverClean);
    column->addLayout(header);
    FileItemDelegate::Options options;
    options.detailLine = true;
    options.defaultSymbol = QStringLiteral("folder.fill");
    m_leftoverList = new FileItemList(options, page);
    m_leftoverModel = new QStandardItemModel(m_leftoverList);
    m_leftoverList->setModel(m_leftoverModel);
    column->addWidget(m_leftoverList, 1);

    connect(rescan, &QPushButton::clicked, this, [this] { m_leftovers->startScan(); });
    connect(m_leftoverSelectAll, &QPushButton::clicked, this, [this] { m_leftovers->toggleAllSelection(); });
    connect(m_leftoverClean, &QPushButton::clicked, this, [this] { m_leftovers->clean(); });
    connect(m_leftoverList, &FileItemList::toggleRequested, this,
            [this](const QString& path) { m_leftovers->toggleSelection(path); });
    connect(m_leftovers.get(), &Core::LeftoverViewModel::messageChanged, this,
            [this] { m_leftoverMessage->setText(m_leftovers->message()); });
    connect(m_leftovers.get(), &Core::LeftoverViewModel::itemsChanged, this,
            &ApplicationUninstallPage::rebuildLeftovers);
    connect(m_leftovers.get(), &Core::LeftoverViewModel::stateChanged, this,
            &ApplicationUninstallPage::rebuildLeftovers);
    rebuildLeftovers();
    return page;
}

void ApplicationUninstallPage::rebuildLeftovers()
{
    m_leftoverModel->clear();
    for (const Core::LeftoverItem& item : m_leftovers->items()) {
        QStandardItem* row = detailItem(item.path, item.size);
        row->setData(kindText(item.kind) + QStringLiteral(" · ") + item.bundleID, FileItemRole::Detail);
        row->setData(item.selected ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
        m_leftoverModel->appendRow(row);
    }
    const bool idle = m_leftovers->state() == Core::ScanState::scanned;
    m_leftoverClean->setEnabled(idle && m_leftovers->selectedSize() > 0);
    m_leftoverSelectAll->setEnabled(idle && !m_leftovers->items().isEmpty());
}

void ApplicationUninstallPage::showLeftovers(bool show)
{
    m_stack->setCurrentIndex(show ? 1 : 0);
    if (show)
        showDetail(QString()); // the side panel belongs to the applications list
    (show ? m_leftoversSwitch : m_appsSwitch)->setChecked(true);
    if (show && m_leftovers->state() == Core::ScanState::ready)
        m_leftovers->startScan();
}

ApplicationUninstallPage::~ApplicationUninstallPage() = default;

int ApplicationUninstallPage::rowCount() const
{
    return static_cast<int>(m_rows.size());
}

void ApplicationUninstallPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_model->applications().isEmpty())
        m_model->scan();
}

void ApplicationUninstallPage::rebuildRows()
{
    qDeleteAll(m_rows);
    m_rows.clear();
    for (const Core::UninstallApplication& app : m_model->applications()) {
        const QString path = app.path;
        QFrame* row = applicationRow(app, m_scroll->widget(), [this, path] { showDetail(path); });
        m_rowLayout->insertWidget(m_rowLayout->count() - 1, row);
        m_rows.append(row);
    }
    // The panel follows the new listing of its application, or closes when it is gone.
    if (m_detail)
        showDetail(m_detail->path);
}

void ApplicationUninstallPage::showDetail(const QString& path)
{
    m_detail.reset();
    for (const Core::UninstallApplication& app : m_model->applications())
        if (app.path == path)
            m_detail = app;
    fillPanel();
}

void ApplicationUninstallPage::fillPanel()
{
    m_detailModel->clear();
    m_panel->setVisible(m_detail.has_value());
    if (!m_detail)
        return;
    m_panelTitle->setText(m_detail->name);
    const bool bundle = m_detail->kind == Core::ApplicationKind::bundle;
    m_panelNote->setVisible(!bundle);
    if (!bundle)
        m_panelNote->setText(Core::ApplicationUninstallModel::confirmationText(
                                 *m_detail, Core::ApplicationUninstallModel::flatpakProgram())
                                 .section(QLatin1Char('\n'), 0, 0));
    switch (m_detail->removal) {
    case Core::UninstallRemoval::trash:
        m_uninstall->setText(QStringLiteral("卸载并移到废纸篓"));
        break;
    case Core::UninstallRemoval::flatpak:
        // Without the command only the data can go: the button says no more than that.
        m_uninstall->setText(Core::ApplicationUninstallModel::flatpakProgram().isEmpty()
                                 ? QStringLiteral("移走关联文件")
                                 : QStringLiteral("用 Flatpak 卸载并移走数据"));
        break;
    case Core::UninstallRemoval::manual:
        m_uninstall->setText(QStringLiteral("移走关联文件"));
        break;
    }
    m_uninstall->setEnabled(m_detail->removal != Core::UninstallRemoval::manual || !m_detail->related.isEmpty());
    m_detailModel->appendRow(detailItem(m_detail->path, m_detail->appSize));
    for (const Core::UninstallItem& item : m_detail->related)
        m_detailModel->appendRow(detailItem(item.path, item.size));
}

void ApplicationUninstallPage::requestUninstall()
{
    if (!m_detail || m_confirmation != nullptr)
        return;
    m_pending = m_detail;
    const QString text = m_detail->kind == Core::ApplicationKind::bundle
                             ? QStringLiteral("应用本体和列出的关联文件将移到废纸篓。")
                             : Core::ApplicationUninstallModel::confirmationText(
                                   *m_detail, Core::ApplicationUninstallModel::flatpakProgram());
    m_confirmation =
        new QMessageBox(QMessageBox::Warning, QStringLiteral("卸载应用？"), text, QMessageBox::NoButton, this);
    m_confirmation->setObjectName(QStringLiteral("uninstallConfirmation"));
    QPushButton* cancel = m_confirmation->addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    QPushButton* move = m_confirmation->addButton(QStringLiteral("移到废纸篓"), QMessageBox::DestructiveRole);
    // Return must not uninstall: the safe answer is the default.
    m_confirmation->setDefaultButton(cancel);
    m_confirmation->setEscapeButton(cancel);
    m_confirmation->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_confirmation, &QMessageBox::buttonClicked, this, [this, move](QAbstractButton* button) {
        if (button == move && m_pending)
            m_model->uninstall(*m_pending);
        m_pending.reset();
        if (button == move)
            showDetail(QString());
    });
    connect(m_confirmation, &QObject::destroyed, this, [this] {
        m_confirmation = nullptr;
        m_pending.reset();
    });
    m_confirmation->open();
}

void ApplicationUninstallPage::showManualRemovalAlert()
{
    const QString path = m_model->manualRemovalPath();
    if (path.isEmpty() || m_alert != nullptr)
        return;
    m_alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("应用本体未能移到废纸篓"),
                              QStringLiteral("关联文件已继续处理。是否在") + Core::PlatformWords::fileManager() +
                                  QStringLiteral("中选中该应用，由你手动卸载？"),
                              QMessageBox::NoButton, this);
    m_alert->setObjectName(QStringLiteral("manualRemovalAlert"));
    QPushButton* reveal = m_alert->addButton(Core::PlatformWords::showInFileManager(), QMessageBox::AcceptRole);
    m_alert->addButton(QStringLiteral("稍后"), QMessageBox::RejectRole);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_alert, &QMessageBox::buttonClicked, this, [this, reveal, path](QAbstractButton* button) {
        if (button == reveal && m_reveal)
            m_reveal(path);
        m_model->clearManualRemoval();
    });
    connect(m_alert, &QObject::destroyed, this, [this] { m_alert = nullptr; });
    m_alert->open();
}

} // namespace Sweepora::Ui
