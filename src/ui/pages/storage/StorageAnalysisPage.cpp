#include "ui/pages/storage/StorageAnalysisPage.h"

#include "core/platform/PathBytes.h"
#include "core/scanners/StorageAnalysisModel.h"
#include "core/util/ByteCount.h"
#include "ui/components/BusyIndicator.h"
#include "ui/components/CleanRunBar.h"
#include "ui/components/Confirmation.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/ListArrangeControls.h"
#include "ui/components/PlaceholderView.h"
#include "ui/components/SelectAllBar.h"
#include "ui/components/Treemap.h"
#include "ui/pages/storage/StorageEntryListModel.h"
#include "ui/pages/storage/StorageRowDelegate.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

#include <sys/statvfs.h>

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

struct Space
{
    qint64 total = 0;
    qint64 free = 0; // what an unprivileged user can still write
};

std::optional<Space> fileSystemSpace(const QString& path)
{
    struct statvfs s = {};
    if (path.isEmpty() || ::statvfs(Core::bytesFromPath(path).constData(), &s) != 0 || s.f_blocks == 0)
        return std::nullopt;
    const auto unit = static_cast<qint64>(s.f_frsize != 0 ? s.f_frsize : s.f_bsize);
    return Space{static_cast<qint64>(s.f_blocks) * unit, static_cast<qint64>(s.f_bavail) * unit};
}

// A protected place is listed but never ticked: "all" means all the others.
qsizetype tickableCount(const QList<Core::StorageEntry>& entries)
{
    return std::count_if(entries.cbegin(), entries.cend(), [](const auto& e) { return !e.isProtected; });
}

} // namespace

StorageAnalysisPage::StorageAnalysisPage(QWidget* parent)
    : QWidget(parent), m_model(new Core::StorageAnalysisModel(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 12, 28, 12);
    layout->setSpacing(10);

    // The folder being looked at and the two ways to move.
    auto* topBar = new QHBoxLayout;
    topBar->setSpacing(8);
    auto* drive = new QLabel(this);
    drive->setPixmap(
        Symbols::pixmap(QStringLiteral("externaldrive"), 22, Theme::tint(Tint::accent), devicePixelRatioF()));
    topBar->addWidget(drive);
    m_upButton = borderlessButton(QStringLiteral("arrow.up"), QStringLiteral("返回上级目录"), "upButton", this);
    m_chooseButton =
        borderlessButton(QStringLiteral("folder.badge.gearshape"), QStringLiteral("选择目录"), "chooseButton", this);
    topBar->addWidget(m_upButton);
    topBar->addWidget(m_chooseButton);
    auto* pathColumn = new QVBoxLayout;
    pathColumn->setSpacing(1);
    auto* caption = new QLabel(QStringLiteral("当前目录"), this);
    caption->setFont(Theme::font(TextStyle::caption));
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

    // The disk the folder lies on: used and free, as the file system reports them.
    auto* spaceRow = new QHBoxLayout;
    spaceRow->setSpacing(10);
    m_spaceBar = new QProgressBar(this);
    m_spaceBar->setObjectName(QStringLiteral("spaceBar"));
    m_spaceBar->setRange(0, 1000);
    m_spaceBar->setTextVisible(false);
    m_spaceBar->setFixedHeight(8);
    m_spaceLabel = new QLabel(this);
    m_spaceLabel->setObjectName(QStringLiteral("spaceLabel"));
    m_spaceLabel->setFont(Theme::font(TextStyle::caption));
    Theme::makeSecondary(m_spaceLabel);
    spaceRow->addWidget(m_spaceBar, 1);
    spaceRow->addWidget(m_spaceLabel);
    layout->addLayout(spaceRow);

    auto* statusBar = new QHBoxLayout;
    statusBar->setSpacing(12);
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setFont(Theme::font(TextStyle::caption));
    Theme::makeSecondary(m_statusLabel);
    m_totalLabel = new QLabel(this);
    m_totalLabel->setObjectName(QStringLiteral("totalLabel"));
    m_totalLabel->setFont(Theme::font(TextStyle::caption));
    m_hiddenSwitch = new QCheckBox(QStringLiteral("显示隐藏项"), this);
    m_hiddenSwitch->setObjectName(QStringLiteral("hiddenSwitch"));
    m_hiddenSwitch->setToolTip(QStringLiteral("列出名称以“.”开头的文件夹和文件，例如 .cache"));
    m_treemapSwitch = new QCheckBox(QStringLiteral("分布图"), this);
    m_treemapSwitch->setObjectName(QStringLiteral("treemapSwitch"));
    m_treemapSwitch->setToolTip(QStringLiteral("在列表下方按类型着色显示空间分布"));
    m_treemapSwitch->setChecked(true);
    m_refreshButton = new QPushButton(QStringLiteral("重新扫描"), this);
    m_refreshButton->setObjectName(QStringLiteral("refreshButton"));
    statusBar->addWidget(m_statusLabel);
    statusBar->addWidget(m_totalLabel, 1);
    statusBar->addWidget(m_hiddenSwitch);
    statusBar->addWidget(m_treemapSwitch);
    statusBar->addWidget(m_refreshButton);
    layout->addLayout(statusBar);

    auto* progressRow = new QHBoxLayout;
    progressRow->setContentsMargins(40, 0, 40, 0);
    m_progress = new BusyIndicator(16, this);
    m_progress->setObjectName(QStringLiteral("scanProgress"));
    progressRow->addStretch();
    progressRow->addWidget(m_progress);
    m_cancelButton = new QPushButton(QStringLiteral("取消"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelListing"));
    progressRow->addWidget(m_cancelButton);
    progressRow->addStretch();
    layout->addLayout(progressRow);

    auto* body = new QStackedLayout;
    m_body = body;
    m_listPane = new QWidget(this);
    auto* paneLayout = new QVBoxLayout(m_listPane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    m_selectBar = new SelectAllBar(StorageRowDelegate::kCheckboxInset, 0, m_listPane);
    // The tree keeps no dates: by name or size only.
    m_arrange = new ListArrangeControls(false, m_selectBar);
    m_selectBar->addControls(m_arrange);
    paneLayout->addWidget(m_selectBar);
    m_list = new QListView(m_listPane);
    m_list->setObjectName(QStringLiteral("entryList"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setMouseTracking(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setUniformItemSizes(true);
    // Rows take the list's width and elide their names: nothing to scroll sideways to.
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->viewport()->setAutoFillBackground(false);
    m_rows = new StorageEntryListModel(this);
    m_delegate = new StorageRowDelegate(this);
    m_list->setModel(m_rows);
    m_list->setItemDelegate(m_delegate);
    m_placeholder = new PlaceholderView(this);
    m_placeholder->setSymbol(QStringLiteral("externaldrive"));
    paneLayout->addWidget(m_list, 1);
    m_treemap = new Treemap(m_listPane);
    m_treemap->setObjectName(QStringLiteral("treemap"));
    paneLayout->addWidget(m_treemap, 1);
    body->addWidget(m_listPane);
    body->addWidget(m_placeholder);
    layout->addLayout(body, 1);

    m_deleteButton = new FloatingActionButton(this);
    m_deleteButton->setObjectName(QStringLiteral("deleteButton"));
    m_deleteProgress = new BusyIndicator(14, m_deleteButton);
    m_deleteProgress->move(16, 0);
    m_deleteProgress->hide();
    // Room below the last row for the floating button (the page's own margin is part of it).
    paneLayout->setContentsMargins(0, 0, 0, m_deleteButton->clearance() - layout->contentsMargins().bottom());

    using Core::StorageAnalysisModel;
    connect(m_selectBar, &SelectAllBar::toggleAllRequested, m_model, &StorageAnalysisModel::toggleAllSelection);
    connect(m_arrange, &ListArrangeControls::sortKeyChosen, m_model, &StorageAnalysisModel::setSortKey);
    connect(m_arrange, &ListArrangeControls::nameFilterEdited, m_model, &StorageAnalysisModel::setNameFilter);
    connect(m_upButton, &QToolButton::clicked, m_model, &StorageAnalysisModel::goUp);
    connect(m_chooseButton, &QToolButton::clicked, m_model, &StorageAnalysisModel::chooseDirectory);
    connect(m_refreshButton, &QPushButton::clicked, m_model, &StorageAnalysisModel::refresh);
    connect(m_cancelButton, &QPushButton::clicked, m_model, &StorageAnalysisModel::cancelListing);
    connect(&m_model->scanWatch(), &Core::ScanWatch::changed, this, &StorageAnalysisPage::updateStatus);
    connect(m_hiddenSwitch, &QCheckBox::toggled, m_model, &StorageAnalysisModel::setShowsHidden);
    connect(m_treemapSwitch, &QCheckBox::toggled, m_treemap, &QWidget::setVisible);
    // The treemap and the list show one folder: an area entered is the row entered, and a
    // file's area picks out its row.
    connect(m_treemap, &Treemap::folderActivated, this, [this](Core::StorageTree::Index child) {
        if (const std::optional<Core::StorageEntry> entry = m_model->entryForChild(child))
            m_model->enterDirectory(*entry);
    });
    connect(m_treemap, &Treemap::entryClicked, this, [this](Core::StorageTree::Index child) {
        const std::optional<Core::StorageEntry> entry = m_model->entryForChild(child);
        if (!entry)
            return;
        m_treemap->setSelected(child);
        for (int row = 0; row < m_rows->rowCount(); ++row) {
            if (m_rows->entry(row).path == entry->path) {
                m_list->scrollTo(m_rows->index(row), QAbstractItemView::PositionAtCenter);
                break;
            }
        }
    });
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
        updateTotals();
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
    updateTotals();
    m_pathLabel->setText(m_model->currentDirectory());
    m_pathLabel->setToolTip(m_model->currentDirectory());
    m_upButton->setEnabled(!m_model->isDeleting());
    m_chooseButton->setEnabled(!m_model->isDeleting());
    m_hiddenSwitch->setEnabled(!m_model->isDeleting());
    // Another folder clears the filter.
    m_arrange->reflect(m_model->arrangement());
}

void StorageAnalysisPage::updateEntries()
{
    QList<Core::StorageEntry> shown;
    qint64 total = 0;
    for (const Core::StorageEntry& entry : m_model->entries())
        total += entry.size;
    for (const qsizetype i : m_model->shownRows())
        shown.append(m_model->entries()[i]);
    m_rows->setEntries(shown, total);
    m_arrange->reflect(m_model->arrangement());
    m_rows->setSelection(m_model->selectedEntryIDs());
    updateTreemap();
    updateStatus();
    updateDeleteButton();
    updateTotals();
}

void StorageAnalysisPage::updateTotals()
{
    qint64 total = 0;
    for (const Core::StorageEntry& entry : m_model->entries())
        total += entry.size;
    const bool known = !m_model->isScanning() && !m_model->entries().isEmpty();
    m_totalLabel->setText(known ? QStringLiteral("合计 ") + Core::formattedByteCount(total) : QString());
    const std::optional<Space> space = fileSystemSpace(m_model->currentDirectory());
    m_spaceBar->setVisible(space.has_value());
    m_spaceLabel->setVisible(space.has_value());
    if (!space)
        return;
    const qint64 used = space->total - space->free;
    m_spaceBar->setValue(static_cast<int>(used * 1000 / space->total));
    m_spaceLabel->setText(QStringLiteral("已用 %1 · 可用 %2 · 共 %3")
                              .arg(Core::formattedByteCount(used), Core::formattedByteCount(space->free),
                                   Core::formattedByteCount(space->total)));
    m_spaceBar->setToolTip(m_spaceLabel->text());
}

void StorageAnalysisPage::updateStatus()
{
    const bool scanning = m_model->isScanning();
    // While computing, the items counted so far.
    const QString counted = m_model->scanWatch().text().section(u'\n', 0, 0);
    m_statusLabel->setText(scanning ? (counted.isEmpty() ? Core::StorageAnalysisModel::kComputingMessage : counted)
                                    : m_model->message());
    m_refreshButton->setEnabled(!scanning && !m_model->isDeleting());
    m_progress->setVisible(scanning);
    m_cancelButton->setVisible(scanning);
    const bool empty = m_model->entries().isEmpty();
    m_body->setCurrentWidget(empty ? static_cast<QWidget*>(m_placeholder) : m_listPane);
    m_placeholder->setTitle(scanning ? Core::StorageAnalysisModel::kComputingMessage : m_model->message());
}

void StorageAnalysisPage::updateDeleteButton()
{
    const bool deleting = m_model->isDeleting();
    m_deleteButton->setContent(QStringLiteral("删除 ") + Core::formattedByteCount(m_model->selectedSize()),
                               deleting ? QString() : QStringLiteral("trash"), QStringLiteral("将选中项目移到废纸篓"));
    const qsizetype ticked = m_model->selectedEntryIDs().size();
    m_selectBar->setSelection(ticked, tickableCount(m_model->entries()), m_model->selectedSize());
    const QList<qsizetype> shown = m_model->shownRows();
    const qsizetype shownTickable =
        std::count_if(shown.cbegin(), shown.cend(), [this](qsizetype i) { return !m_model->entries()[i].isProtected; });
    const qsizetype shownTicked = std::count_if(
        shown.cbegin(), shown.cend(), [this](qsizetype i) { return m_model->isSelected(m_model->entries()[i].path); });
    m_selectBar->setShownSelection(shownTicked, shownTickable);
    m_selectBar->setEnabled(!m_model->isScanning() && !deleting);
    m_deleteButton->setEnabled(!m_model->isScanning() && !deleting && ticked > 0);
    m_deleteButton->setVisible(!m_model->entries().isEmpty() || deleting);
    m_deleteProgress->move(16, (m_deleteButton->height() - m_deleteProgress->height()) / 2);
    m_deleteProgress->setVisible(deleting);
}

void StorageAnalysisPage::updateTreemap()
{
    const std::optional<Core::StorageTree::Index> folder = m_model->currentFolderIndex();
    m_treemap->setTree(folder ? m_model->tree() : nullptr, folder.value_or(Core::StorageTree::root()),
                       m_model->currentDirectory());
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
