#include "ui/pages/StorageAnalysisPage.h"

#include "scanners/StorageAnalysisModel.h"
#include "ui/components/BusyIndicator.h"
#include "ui/components/CleanRunBar.h"
#include "ui/components/Confirmation.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/PlaceholderView.h"
#include "ui/pages/StorageEntryListModel.h"
#include "ui/pages/StorageRowDelegate.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"
#include "util/ByteCount.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStackedLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace Sweepora::Ui {
namespace {

QToolButton* borderlessButton(const QString& symbol, const QString& toolTip, const char* name, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoRaise(true);
    button->setIcon(Symbols::icon(symbol));
    button->setIconSize(QSize(18, 18));
    button->setToolTip(toolTip);
    return button;
}

} // namespace

StorageAnalysisPage::StorageAnalysisPage(QWidget* parent)
    : QWidget(parent), m_model(new Core::StorageAnalysisModel(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 12, 20, 12);
    layout->setSpacing(10);

    // The folder being looked at and the two ways to move.
    auto* topBar = new QHBoxLayout;
    topBar->setSpacing(8);
    auto* drive = new QLabel(this);
    drive->setPixmap(
        Symbols::pixmap(QStringLiteral("externaldrive"), 22, Theme::tint(Tint::Accent), devicePixelRatioF()));
    topBar->addWidget(drive);
    m_upButton = borderlessButton(QStringLiteral("arrow.up"), QStringLiteral("返回上级目录"), "upButton", this);
    m_chooseButton =
        borderlessButton(QStringLiteral("folder.badge.gearshape"), QStringLiteral("选择目录"), "chooseButton", this);
    topBar->addWidget(m_upButton);
    topBar->addWidget(m_chooseButton);
    auto* pathColumn = new QVBoxLayout;
    pathColumn->setSpacing(1);
    auto* caption = new QLabel(QStringLiteral("当前目录"), this);
    caption->setFont(Theme::font(TextStyle::Caption));
    Theme::makeSecondary(caption);
    m_pathLabel = new QLabel(this);
    m_pathLabel->setObjectName(QStringLiteral("pathLabel"));
    m_pathLabel->setFont(Theme::font(13, QFont::Medium));
    m_pathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pathLabel->setMinimumWidth(1);
    pathColumn->addWidget(caption);
    pathColumn->addWidget(m_pathLabel);
    topBar->addLayout(pathColumn, 1);
    layout->addLayout(topBar);

    auto* statusBar = new QHBoxLayout;
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setFont(Theme::font(TextStyle::Caption));
    Theme::makeSecondary(m_statusLabel);
    m_refreshButton = new QPushButton(QStringLiteral("重新扫描"), this);
    m_refreshButton->setObjectName(QStringLiteral("refreshButton"));
    statusBar->addWidget(m_statusLabel, 1);
    statusBar->addWidget(m_refreshButton);
    layout->addLayout(statusBar);

    auto* progressRow = new QHBoxLayout;
    progressRow->setContentsMargins(40, 0, 40, 0);
    m_progress = new BusyIndicator(16, this);
    m_progress->setObjectName(QStringLiteral("scanProgress"));
    progressRow->addWidget(m_progress, 0, Qt::AlignHCenter);
    layout->addLayout(progressRow);

    auto* body = new QStackedLayout;
    m_body = body;
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("entryList"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setMouseTracking(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setUniformItemSizes(true);
    m_list->viewport()->setAutoFillBackground(false);
    m_rows = new StorageEntryListModel(this);
    m_delegate = new StorageRowDelegate(this);
    m_list->setModel(m_rows);
    m_list->setItemDelegate(m_delegate);
    m_placeholder = new PlaceholderView(this);
    m_placeholder->setSymbol(QStringLiteral("externaldrive"));
    body->addWidget(m_list);
    body->addWidget(m_placeholder);
    layout->addLayout(body, 1);

    m_deleteButton = new FloatingActionButton(this);
    m_deleteButton->setObjectName(QStringLiteral("deleteButton"));
    m_deleteProgress = new BusyIndicator(14, m_deleteButton);
    m_deleteProgress->move(16, 0);
    m_deleteProgress->hide();

    using Core::StorageAnalysisModel;
    connect(m_upButton, &QToolButton::clicked, m_model, &StorageAnalysisModel::goUp);
    connect(m_chooseButton, &QToolButton::clicked, m_model, &StorageAnalysisModel::chooseDirectory);
    connect(m_refreshButton, &QPushButton::clicked, m_model, &StorageAnalysisModel::refresh);
    connect(m_deleteButton, &QPushButton::clicked, this, &StorageAnalysisPage::requestDeletion);
    connect(m_delegate, &StorageRowDelegate::toggleRequested, this, [this](const QModelIndex& index) {
        const QString path = index.data(StorageEntryListModel::PathRole).toString();
        m_model->setSelected(path, !m_model->isSelected(path));
    });
    connect(m_delegate, &StorageRowDelegate::rowClicked, this,
            [this](const QModelIndex& index) { m_model->enterDirectory(m_rows->entry(index.row())); });

    connect(m_model, &StorageAnalysisModel::currentDirectoryChanged, this, &StorageAnalysisPage::updateDirectory);
    connect(m_model, &StorageAnalysisModel::entriesChanged, this, &StorageAnalysisPage::updateEntries);
    connect(m_model, &StorageAnalysisModel::selectionChanged, this, [this] {
        m_rows->setSelection(m_model->selectedEntryIDs());
        updateDeleteButton();
    });
    connect(m_model, &StorageAnalysisModel::messageChanged, this, &StorageAnalysisPage::updateStatus);
    connect(m_model, &StorageAnalysisModel::isScanningChanged, this, [this] {
        updateStatus();
        updateDeleteButton();
    });
    connect(m_model, &StorageAnalysisModel::isDeletingChanged, this, [this] {
        updateDirectory();
        updateStatus();
        updateDeleteButton();
    });

    updateDirectory();
    updateEntries();
    updateStatus();
    updateDeleteButton();
    new CleanRunBar(m_model->cleanRun(), this);
}

StorageAnalysisPage::~StorageAnalysisPage() = default;

void StorageAnalysisPage::updateDirectory()
{
    m_pathLabel->setText(m_model->currentDirectory());
    m_pathLabel->setToolTip(m_model->currentDirectory());
    m_upButton->setEnabled(!m_model->isDeleting());
    m_chooseButton->setEnabled(!m_model->isDeleting());
}

void StorageAnalysisPage::updateEntries()
{
    m_rows->setEntries(m_model->entries());
    m_rows->setSelection(m_model->selectedEntryIDs());
    updateStatus();
    updateDeleteButton();
}

void StorageAnalysisPage::updateStatus()
{
    const bool scanning = m_model->isScanning();
    m_statusLabel->setText(scanning ? Core::StorageAnalysisModel::kComputingMessage : m_model->message());
    m_refreshButton->setEnabled(!scanning && !m_model->isDeleting());
    m_progress->setVisible(scanning);
    const bool empty = m_model->entries().isEmpty();
    m_body->setCurrentWidget(empty ? static_cast<QWidget*>(m_placeholder) : m_list);
    m_placeholder->setTitle(scanning ? Core::StorageAnalysisModel::kComputingMessage : m_model->message());
}

void StorageAnalysisPage::updateDeleteButton()
{
    const bool deleting = m_model->isDeleting();
    m_deleteButton->setContent(QStringLiteral("删除 ") + Core::formattedByteCount(m_model->selectedSize()),
                               deleting ? QString() : QStringLiteral("trash"), QStringLiteral("将选中项目移到废纸篓"));
    m_deleteButton->setEnabled(!m_model->isScanning() && !deleting);
    m_deleteProgress->move(16, (m_deleteButton->height() - m_deleteProgress->height()) / 2);
    m_deleteProgress->setVisible(deleting);
}

// A folder may hold far more than its name suggests: say what goes before it goes.
void StorageAnalysisPage::requestDeletion()
{
    if (m_confirmation != nullptr)
        return;
    const Core::StorageAnalysisModel::DeletionSummary summary = m_model->deletionSummary();
    if (summary.count == 0)
        return;
    if (!summary.hasFolder) {
        m_model->deleteSelected();
        return;
    }
    m_confirmation = askToConfirm(this, QStringLiteral("将所选项目移到废纸篓？"), summary.text,
                                  QStringLiteral("移到废纸篓"), [this] { m_model->deleteSelected(); });
}

} // namespace Sweepora::Ui
