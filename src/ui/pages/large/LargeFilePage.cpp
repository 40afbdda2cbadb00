#include "ui/pages/large/LargeFilePage.h"
#include "core/access/AccessManager.h"

#include "core/scanners/LargeFileViewModel.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ByteCount.h"
#include "core/util/FileKind.h"
#include "core/util/NameOrder.h"
#include "core/util/ViewModelSupport.h"
#include "ui/components/CleanRunBar.h"
#include "ui/components/FileItemList.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/ListArrangeControls.h"
#include "ui/components/PathItemModel.h"
#include "ui/components/PlaceholderView.h"
#include "ui/components/SelectAllBar.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace Sweepora::Ui {

using Core::ScanState;
using Core::LargeFileEngine::kMaximumGigabytes;
using Core::LargeFileEngine::kMinimumGigabytes;

namespace {
constexpr double kStep = 0.5;
constexpr int kSpacing = 12;
} // namespace

LargeFilePage::LargeFilePage(QWidget* parent) : QWidget(parent), m_model(new Core::LargeFileViewModel(this))
{
    setObjectName(QStringLiteral("largeFilePage"));
    m_minimumSizeGB = Core::LargeFileEngine::kDefaultGigabytes;

    m_stack = new QStackedLayout(this);
    m_placeholder = new PlaceholderView(this);
    m_stack->addWidget(m_placeholder);
    m_listArea = new QWidget(this);
    auto* listLayout = new QVBoxLayout(m_listArea);
    m_list = new FileItemList(m_listArea);
    m_selectBar = new SelectAllBar(FileItemDelegate::kPadding + m_list->spacing(), m_list->spacing(), m_listArea);
    m_arrange = new ListArrangeControls(true, m_selectBar);
    m_selectBar->addControls(m_arrange);
    connect(m_arrange, &ListArrangeControls::sortKeyChosen, m_model, &Core::LargeFileViewModel::setSortKey);
    connect(m_arrange, &ListArrangeControls::nameFilterEdited, m_model, &Core::LargeFileViewModel::setNameFilter);
    listLayout->addWidget(m_selectBar);
    listLayout->addWidget(m_list);
    m_rows = new PathItemModel({}, m_list);
    m_list->setModel(m_rows);
    m_stack->addWidget(m_listArea);
    connect(m_list, &FileItemList::toggleRequested, m_model, &Core::LargeFileViewModel::toggleSelection);

    m_card = new QFrame(this);
    m_card->setObjectName(QStringLiteral("sizeCard"));
    Theme::makeCard(m_card);
    m_card->setToolTip(QStringLiteral("拖动滑条，选择 500 MB 到 10 GB"));
    auto* cardLayout = new QHBoxLayout(m_card);
    cardLayout->setContentsMargins(14, 8, 14, 8);
    cardLayout->setSpacing(8);
    auto* cardIcon = new QLabel(m_card);
    cardIcon->setPixmap(Symbols::icon(QStringLiteral("slider.horizontal.3")).pixmap(16, 16));
    cardLayout->addWidget(cardIcon);
    m_sizeLabel = new QLabel(m_card);
    m_sizeLabel->setMinimumWidth(56);
    cardLayout->addWidget(m_sizeLabel);
    m_slider = new QSlider(Qt::Horizontal, m_card);
    m_slider->setRange(static_cast<int>(kMinimumGigabytes / kStep), static_cast<int>(kMaximumGigabytes / kStep));
    m_slider->setSingleStep(1);
    m_slider->setPageStep(2);
    m_slider->setFixedWidth(180);
    m_slider->setValue(static_cast<int>(m_minimumSizeGB / kStep));
    cardLayout->addWidget(m_slider);
    m_sizeLabel->setText(Core::SectionTexts::sizeThreshold(m_minimumSizeGB));
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
        m_minimumSizeGB = value * kStep;
        m_sizeLabel->setText(Core::SectionTexts::sizeThreshold(m_minimumSizeGB));
        placeCard();
        // A threshold moved after a scan applies at once.
        m_model->applyThreshold(m_minimumSizeGB);
    });

    m_button = new FloatingActionButton(this);
    connect(m_button, &QPushButton::clicked, this, &LargeFilePage::onTap);
    m_button->setLongPressAction([this] { onLongPress(); });
    // Room below the list, so the last row stays clear of the floating action area.
    listLayout->setContentsMargins(m_list->pageMargins(m_button->clearance()));
    // The list is made first, for the bar's insets; Tab still reaches the bar before it.
    setTabOrder(m_selectBar->rescanButton(), m_list);
    connect(m_selectBar, &SelectAllBar::toggleAllRequested, this, &LargeFilePage::onLongPress);
    connect(m_selectBar, &SelectAllBar::rescanRequested, this, [this] { m_model->startScan(m_minimumSizeGB); });

    connect(m_placeholder->cancelButton(), &QPushButton::clicked, m_model, &Core::LargeFileViewModel::cancelScan);
    connect(&m_model->scanWatch(), &Core::ScanWatch::changed, this, &LargeFilePage::refresh);
    connect(m_model, &Core::LargeFileViewModel::stateChanged, this, &LargeFilePage::refresh);
    connect(m_model, &Core::LargeFileViewModel::messageChanged, this, &LargeFilePage::refresh);
    connect(m_model, &Core::LargeFileViewModel::filesChanged, this, [this] {
        refreshRows();
        refresh();
    });
    refresh();
    new CleanRunBar(m_model->cleanRun(), this);
}

LargeFilePage::~LargeFilePage() = default;

void LargeFilePage::refreshRows()
{
    const QList<qsizetype> shown = m_model->shownRows();
    QList<PathItemModel::Row> rows;
    rows.reserve(shown.size());
    for (const qsizetype i : shown) {
        const Core::LargeFileItem& item = m_model->files()[i];
        rows.append({item.path,
                     item.size,
                     item.selected,
                     Symbols::forKind(Core::fileKindOf(Core::lastPathComponent(item.path))),
                     {}});
    }
    m_rows->setRows(std::move(rows));
    m_arrange->reflect(m_model->arrangement());
}

void LargeFilePage::refresh()
{
    const ScanState state = m_model->state();
    const bool busy = state == ScanState::scanning || state == ScanState::cleaning;
    const bool hasFiles = !m_model->files().isEmpty();

    m_stack->setCurrentWidget(hasFiles ? m_listArea : static_cast<QWidget*>(m_placeholder));
    m_placeholder->setBusy(busy);
    m_placeholder->setSymbol(state == ScanState::scanned ? QStringLiteral("checkmark.circle")
                                                         : QStringLiteral("doc.text.magnifyingglass"));
    // A scan refused for want of the home grant says so, with the way to give it.
    const bool needsGrant = state == ScanState::ready && m_model->message() == Core::AccessManager::kNeedsHome;
    const bool ready = state == ScanState::ready && !needsGrant;
    m_placeholder->setTitle(ready ? QStringLiteral("扫描大文件") : m_model->message());
    m_placeholder->setSubtitle(ready ? QStringLiteral("按照所选大小查找个人文件夹中的大文件")
                                     : QStringLiteral("你可以调整大小后重新扫描"));
    if (needsGrant)
        m_placeholder->setSubtitle(QStringLiteral("授权后即可扫描个人文件夹"));
    const bool scanning = state == ScanState::scanning;
    if (scanning)
        m_placeholder->setSubtitle(m_model->scanWatch().text());
    m_placeholder->cancelButton()->setVisible(scanning);

    const QList<Core::LargeFileItem>& files = m_model->files();
    const auto ticked = std::count_if(files.cbegin(), files.cend(), [](const auto& f) { return f.selected; });
    m_selectBar->setSelection(ticked, files.size(), m_model->selectedSize());
    const QList<qsizetype> shown = m_model->shownRows();
    m_selectBar->setShownSelection(Core::ViewModelSupport::selectedCount(files, shown), shown.size());
    m_selectBar->setRescanVisible(state == ScanState::scanned);
    const bool cleanable = state == ScanState::scanned && hasFiles;
    if (cleanable)
        m_button->setContent(QStringLiteral("删除 ") + Core::formattedByteCount(m_model->selectedSize()),
                             QStringLiteral("trash"), QStringLiteral("长按可全选或取消全选"));
    else
        m_button->setContent(QStringLiteral("开始扫描"), QStringLiteral("magnifyingglass"),
                             QStringLiteral("扫描大文件"));
    m_button->setEnabled(!cleanable || ticked > 0);
    m_button->setVisible(!busy);
    m_card->setVisible(!busy);
    placeCard();
}

void LargeFilePage::placeCard()
{
    m_card->adjustSize();
    m_card->raise();
    const QRect button = m_button->geometry();
    m_card->move(button.left() - kSpacing - m_card->width(), button.center().y() - m_card->height() / 2);
}

void LargeFilePage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeCard();
}

void LargeFilePage::onTap()
{
    if (m_model->state() == ScanState::scanned && !m_model->files().isEmpty())
        m_model->clean();
    else
        m_model->startScan(m_minimumSizeGB);
}

void LargeFilePage::onLongPress()
{
    if (m_model->state() == ScanState::scanned && !m_model->files().isEmpty())
        m_model->toggleAllSelection();
}

} // namespace Sweepora::Ui
