#include "ui/pages/dupes/DuplicateFilePage.h"

#include "core/access/AccessManager.h"
#include "core/scanners/DuplicateFileViewModel.h"
#include "core/util/ByteCount.h"
#include "core/util/FileKind.h"
#include "core/util/NameOrder.h"
#include "ui/components/CleanRunBar.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/PlaceholderView.h"
#include "ui/components/RevealInFileManager.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QComboBox>
#include <QDateTime>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QStackedLayout>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Sweepora::Ui {

using Core::DuplicateFileViewModel;
using Core::ScanState;

namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kKeptRole = Qt::UserRole + 2;
constexpr int kGroupRole = Qt::UserRole + 3; // a group's kept path, to keep it open across refreshes

enum Column { Name, Folder, Modified, Size, ColumnCount };

const std::pair<qint64, const char*> kMinimumSizes[] = {
    {100'000, "100 KB"}, {1'000'000, "1 MB"}, {10'000'000, "10 MB"}, {100'000'000, "100 MB"}, {1'000'000'000, "1 GB"}};

} // namespace

QString DuplicateFilePage::progressText(qint64 filesDone, qint64 filesTotal, qint64 bytesDone, qint64 bytesTotal)
{
    if (filesTotal == 0)
        return QStringLiteral("正在查找大小相同的文件…");
    return QStringLiteral("已校验 %1 / %2 个文件，%3 / %4")
        .arg(filesDone)
        .arg(filesTotal)
        .arg(Core::formattedByteCount(bytesDone), Core::formattedByteCount(bytesTotal));
}

DuplicateFilePage::DuplicateFilePage(QWidget* parent) : QWidget(parent), m_model(new DuplicateFileViewModel(this))
{
    setObjectName(QStringLiteral("duplicateFilePage"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // The settings of the next scan, and the filter of what the last one found.
    auto* bar = new QWidget(this);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(16, 10, 16, 10);
    barLayout->setSpacing(8);
    m_folder = new QPushButton(Symbols::icon(QStringLiteral("folder")), QString(), bar);
    m_folder->setToolTip(QStringLiteral("选择要查找的文件夹"));
    connect(m_folder, &QPushButton::clicked, m_model, &DuplicateFileViewModel::pickScanFolder);
    barLayout->addWidget(m_folder);
    barLayout->addWidget(new QLabel(QStringLiteral("最小"), bar));
    m_minimum = new QComboBox(bar);
    for (const auto& [bytes, label] : kMinimumSizes)
        m_minimum->addItem(QString::fromLatin1(label), bytes);
    connect(m_minimum, &QComboBox::activated, this,
            [this](int index) { m_model->setMinimumSize(m_minimum->itemData(index).toLongLong()); });
    barLayout->addWidget(m_minimum);
    barLayout->addWidget(new QLabel(QStringLiteral("类型"), bar));
    m_kind = new QComboBox(bar);
    m_kind->addItem(QStringLiteral("全部"), static_cast<int>(DuplicateFileViewModel::Kind::all));
    m_kind->addItem(QStringLiteral("图片"), static_cast<int>(DuplicateFileViewModel::Kind::images));
    m_kind->addItem(QStringLiteral("视频"), static_cast<int>(DuplicateFileViewModel::Kind::videos));
    m_kind->addItem(QStringLiteral("文档"), static_cast<int>(DuplicateFileViewModel::Kind::documents));
    m_kind->addItem(QStringLiteral("压缩包"), static_cast<int>(DuplicateFileViewModel::Kind::archives));
    m_kind->addItem(QStringLiteral("其他"), static_cast<int>(DuplicateFileViewModel::Kind::other));
    connect(m_kind, &QComboBox::activated, this, [this](int index) {
        m_model->setKind(static_cast<DuplicateFileViewModel::Kind>(m_kind->itemData(index).toInt()));
    });
    barLayout->addWidget(m_kind);
    m_reference = new QPushButton(Symbols::icon(QStringLiteral("plus")), QStringLiteral("参考文件夹"), bar);
    m_reference->setToolTip(QStringLiteral("参考文件夹中的文件总是保留，不会被勾选"));
    connect(m_reference, &QPushButton::clicked, m_model, &DuplicateFileViewModel::pickReferenceFolder);
    barLayout->addWidget(m_reference);
    m_referenceLabel = new QLabel(bar);
    Theme::makeSecondary(m_referenceLabel);
    m_referenceLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    barLayout->addWidget(m_referenceLabel, 1);
    column->addWidget(bar);

    // Files and bytes hashed while a scan runs.
    m_progressCard = new QFrame(this);
    Theme::makeCard(m_progressCard);
    auto* cardLayout = new QHBoxLayout(m_progressCard);
    cardLayout->setContentsMargins(14, 8, 14, 8);
    m_progressText = new QLabel(m_progressCard);
    cardLayout->addWidget(m_progressText);
    m_progressBar = new QProgressBar(m_progressCard);
    m_progressBar->setRange(0, 1000);
    m_progressBar->setTextVisible(false);
    cardLayout->addWidget(m_progressBar, 1);
    m_cancel = new QPushButton(QStringLiteral("取消"), m_progressCard);
    connect(m_cancel, &QPushButton::clicked, m_model, &DuplicateFileViewModel::cancelScan);
    cardLayout->addWidget(m_cancel);
    m_progressRow = new QWidget(this);
    auto* cardRowLayout = new QHBoxLayout(m_progressRow);
    cardRowLayout->setContentsMargins(16, 0, 16, 8);
    cardRowLayout->addWidget(m_progressCard);
    column->addWidget(m_progressRow);
    m_progressRow->setVisible(false);

    auto* stackHost = new QWidget(this);
    m_stack = new QStackedLayout(stackHost);
    m_placeholder = new PlaceholderView(stackHost);
    m_stack->addWidget(m_placeholder);
    m_listArea = new QWidget(stackHost);
    auto* listLayout = new QVBoxLayout(m_listArea);
    // Room below the list, so the last row stays clear of the floating button.
    listLayout->setContentsMargins(0, 0, 0, 80);
    m_tree = new QTreeWidget(m_listArea);
    m_tree->setColumnCount(ColumnCount);
    m_tree->setHeaderLabels(
        {QStringLiteral("名称"), QStringLiteral("位置"), QStringLiteral("修改时间"), QStringLiteral("大小")});
    m_tree->header()->setSectionResizeMode(Name, QHeaderView::Stretch);
    m_tree->header()->setSectionResizeMode(Folder, QHeaderView::Stretch);
    m_tree->header()->setSectionResizeMode(Modified, QHeaderView::ResizeToContents);
    m_tree->header()->setSectionResizeMode(Size, QHeaderView::ResizeToContents);
    m_tree->header()->setStretchLastSection(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->setFrameShape(QFrame::NoFrame);
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, &DuplicateFilePage::showMenu);
    connect(m_tree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        const QString path = item->data(Name, kPathRole).toString();
        if (m_filling || column != Name || path.isEmpty())
            return;
        // After the item's own signal: the list is rebuilt, and the item goes with it.
        const bool kept = item->data(Name, kKeptRole).toBool();
        QTimer::singleShot(0, this, [this, path, kept] {
            if (kept)
                refreshTree(); // the kept copy cannot be ticked: put its box back
            else
                m_model->toggleSelection(path);
        });
    });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [](QTreeWidgetItem* item) {
        const QString path = item->data(Name, kPathRole).toString();
        if (!path.isEmpty())
            revealInFileManager(path);
    });
    listLayout->addWidget(m_tree);
    m_stack->addWidget(m_listArea);
    column->addWidget(stackHost, 1);

    m_button = new FloatingActionButton(this);
    connect(m_button, &QPushButton::clicked, this, &DuplicateFilePage::onTap);
    m_button->setLongPressAction([this] {
        if (m_model->state() == ScanState::scanned && !m_model->groups().isEmpty())
            m_model->toggleAllSelection();
    });

    connect(m_model, &DuplicateFileViewModel::stateChanged, this, &DuplicateFilePage::refresh);
    connect(m_model, &DuplicateFileViewModel::messageChanged, this, &DuplicateFilePage::refresh);
    connect(m_model, &DuplicateFileViewModel::progressChanged, this, &DuplicateFilePage::refreshProgress);
    connect(m_model, &DuplicateFileViewModel::settingsChanged, this, &DuplicateFilePage::refreshSettings);
    connect(m_model, &DuplicateFileViewModel::filesChanged, this, [this] {
        refreshTree();
        refresh();
    });
    refreshSettings();
    refresh();
    new CleanRunBar(m_model->cleanRun(), this);
}

DuplicateFilePage::~DuplicateFilePage() = default;

void DuplicateFilePage::refreshSettings()
{
    const int minimum = m_minimum->findData(m_model->minimumSize());
    if (minimum >= 0)
        m_minimum->setCurrentIndex(minimum);
    m_kind->setCurrentIndex(m_kind->findData(static_cast<int>(m_model->kind())));
    const QString folder = m_model->scanFolder();
    m_folder->setText(folder.isEmpty() ? QStringLiteral("个人文件夹") : Core::lastPathComponent(folder));
    m_folder->setToolTip(folder.isEmpty() ? QStringLiteral("选择要查找的文件夹") : folder);
    QStringList names;
    for (const QString& f : m_model->referenceFolders())
        names.append(Core::lastPathComponent(f));
    m_referenceLabel->setText(names.join(QStringLiteral("、")));
    m_referenceLabel->setToolTip(m_model->referenceFolders().join(QLatin1Char('\n')));
}

void DuplicateFilePage::refreshTree()
{
    // Which groups were open, to keep them open across the refresh.
    QSet<QString> expanded;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        if (m_tree->topLevelItem(i)->isExpanded())
            expanded.insert(m_tree->topLevelItem(i)->data(Name, kGroupRole).toString());

    m_filling = true;
    m_tree->clear();
    const QLocale locale;
    QList<QTreeWidgetItem*> top;
    for (const Core::DuplicateGroup& group : m_model->groups()) {
        const QString keptName = Core::lastPathComponent(group.kept().path);
        auto* item = new QTreeWidgetItem;
        item->setText(Name, QStringLiteral("%1（%2 个副本）").arg(keptName).arg(group.copies.size()));
        item->setIcon(Name, Symbols::icon(Symbols::forKind(Core::fileKindOf(keptName))));
        item->setText(Size, QStringLiteral("可释放 ") + Core::formattedByteCount(group.wasted()));
        item->setData(Name, kGroupRole, group.kept().path);
        for (const Core::DuplicateCopy& copy : group.copies) {
            const bool kept = &copy == &group.kept();
            auto* child = new QTreeWidgetItem(item);
            child->setText(Name,
                           Core::lastPathComponent(copy.path) + (kept ? QStringLiteral("（保留）")
                                                                 : copy.inReferenceFolder ? QStringLiteral("（参考）")
                                                                                          : QString()));
            child->setText(Folder, Core::parentPath(copy.path));
            child->setToolTip(Folder, copy.path);
            child->setText(Modified,
                           locale.toString(QDateTime::fromMSecsSinceEpoch(copy.modifiedMSecs), QLocale::ShortFormat));
            child->setText(Size, Core::formattedByteCount(group.size));
            child->setData(Name, kPathRole, copy.path);
            child->setData(Name, kKeptRole, kept);
            // The kept copy has no box at all: it cannot be ticked, only replaced by another.
            if (kept)
                child->setFlags(child->flags() & ~Qt::ItemIsUserCheckable);
            else
                child->setCheckState(Name, copy.selected ? Qt::Checked : Qt::Unchecked);
            if (kept || copy.inReferenceFolder)
                child->setIcon(Name, Symbols::icon(QStringLiteral("checkmark.circle")));
        }
        top.append(item);
    }
    m_tree->addTopLevelItems(top);
    for (QTreeWidgetItem* item : std::as_const(top))
        item->setExpanded(expanded.contains(item->data(Name, kGroupRole).toString()) || top.size() <= 3);
    m_filling = false;
}

void DuplicateFilePage::refreshProgress()
{
    const DuplicateFileViewModel::ScanProgress& p = m_model->progress();
    m_progressText->setText(progressText(p.filesDone, p.filesTotal, p.bytesDone, p.bytesTotal));
    m_progressBar->setValue(p.bytesTotal > 0 ? static_cast<int>(1000.0 * p.bytesDone / p.bytesTotal) : 0);
}

void DuplicateFilePage::refresh()
{
    const ScanState state = m_model->state();
    const bool scanning = state == ScanState::scanning;
    const bool busy = scanning || state == ScanState::cleaning;
    const bool hasGroups = !m_model->groups().isEmpty();

    m_stack->setCurrentWidget(hasGroups ? m_listArea : static_cast<QWidget*>(m_placeholder));
    m_placeholder->setBusy(busy);
    m_placeholder->setSymbol(state == ScanState::scanned ? QStringLiteral("checkmark.circle")
                                                         : QStringLiteral("doc.on.doc"));
    const bool needsGrant = state == ScanState::ready && m_model->message() == Core::AccessManager::kNeedsHome;
    const bool ready = state == ScanState::ready && !needsGrant && m_model->message() != QStringLiteral("已取消扫描");
    m_placeholder->setTitle(ready ? QStringLiteral("查找重复文件") : m_model->message());
    m_placeholder->setSubtitle(needsGrant ? QStringLiteral("授权后即可扫描个人文件夹")
                               : ready    ? QStringLiteral("按内容比较文件，每组始终保留一个副本")
                                          : QString());
    m_progressRow->setVisible(scanning);
    m_cancel->setEnabled(scanning);
    if (scanning)
        refreshProgress();
    for (QWidget* w :
         {static_cast<QWidget*>(m_folder), static_cast<QWidget*>(m_minimum), static_cast<QWidget*>(m_reference)})
        w->setEnabled(!busy);

    if (state == ScanState::scanned && hasGroups)
        m_button->setContent(QStringLiteral("删除 ") + Core::formattedByteCount(m_model->selectedSize()),
                             QStringLiteral("trash"), QStringLiteral("长按可全选或取消全选"));
    else
        m_button->setContent(QStringLiteral("开始扫描"), QStringLiteral("magnifyingglass"),
                             QStringLiteral("查找重复文件"));
    m_button->setVisible(!busy);
}

void DuplicateFilePage::showMenu(const QPoint& pos)
{
    QTreeWidgetItem* item = m_tree->itemAt(pos);
    const QString path = item ? item->data(Name, kPathRole).toString() : QString();
    if (path.isEmpty())
        return;
    QMenu menu(this);
    QAction* keep = menu.addAction(QStringLiteral("保留此副本"));
    keep->setEnabled(!item->data(Name, kKeptRole).toBool() && m_model->state() == ScanState::scanned);
    QAction* reveal = menu.addAction(QStringLiteral("在文件管理器中显示"));
    QAction* chosen = menu.exec(m_tree->viewport()->mapToGlobal(pos));
    if (chosen == keep)
        m_model->keepCopy(path);
    else if (chosen == reveal)
        revealInFileManager(path);
}

void DuplicateFilePage::onTap()
{
    if (m_model->state() == ScanState::scanned && !m_model->groups().isEmpty())
        m_model->clean();
    else
        m_model->startScan();
}

} // namespace Sweepora::Ui
