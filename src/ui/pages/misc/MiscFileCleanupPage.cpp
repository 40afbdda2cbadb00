#include "ui/pages/misc/MiscFileCleanupPage.h"
#include "core/access/AccessManager.h"

#include "core/platform/Clock.h"
#include "core/scanners/MiscFileCleanupViewModel.h"
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

#include <QStackedLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace Sweepora::Ui {

using Core::ScanState;

MiscFileCleanupPage::MiscFileCleanupPage(Core::MiscFileCleanupViewModel& model, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("miscFileCleanupPage"));
    m_stack = new QStackedLayout(this);
    m_placeholder = new PlaceholderView(this);
    m_stack->addWidget(m_placeholder);
    FileItemDelegate::Options options;
    options.detailLine = true;
    m_listArea = new QWidget(this);
    auto* listLayout = new QVBoxLayout(m_listArea);
    m_list = new FileItemList(options, m_listArea);
    m_selectBar = new SelectAllBar(FileItemDelegate::kPadding + m_list->spacing(), m_list->spacing(), m_listArea);
    m_arrange = new ListArrangeControls(true, m_selectBar);
    m_selectBar->addControls(m_arrange);
    connect(m_arrange, &ListArrangeControls::sortKeyChosen, &m_model, &Core::MiscFileCleanupViewModel::setSortKey);
    connect(m_arrange, &ListArrangeControls::nameFilterEdited, &m_model,
            &Core::MiscFileCleanupViewModel::setNameFilter);
    listLayout->addWidget(m_selectBar);
    listLayout->addWidget(m_list);
    m_rows = new PathItemModel({}, m_list);
    m_list->setModel(m_rows);
    m_stack->addWidget(m_listArea);
    connect(m_list, &FileItemList::toggleRequested, &m_model, &Core::MiscFileCleanupViewModel::toggleSelection);

    m_button = new FloatingActionButton(this);
    connect(m_button, &QPushButton::clicked, this, &MiscFileCleanupPage::onTap);
    m_button->setLongPressAction([this] { onLongPress(); });
    // Room below the list, so the last row stays clear of the floating button.
    listLayout->setContentsMargins(m_list->pageMargins(m_button->clearance()));
    // The list is made first, for the bar's insets; Tab still reaches the bar before it.
    setTabOrder(m_selectBar->rescanButton(), m_list);
    connect(m_selectBar, &SelectAllBar::toggleAllRequested, this, &MiscFileCleanupPage::onLongPress);
    connect(m_selectBar, &SelectAllBar::rescanRequested, this, [this] { m_model.startScan(); });

    connect(m_placeholder->cancelButton(), &QPushButton::clicked, &m_model,
            &Core::MiscFileCleanupViewModel::cancelScan);
    connect(&m_model.scanWatch(), &Core::ScanWatch::changed, this, &MiscFileCleanupPage::refresh);
    connect(&m_model, &Core::MiscFileCleanupViewModel::stateChanged, this, &MiscFileCleanupPage::refresh);
    connect(&m_model, &Core::MiscFileCleanupViewModel::messageChanged, this, &MiscFileCleanupPage::refresh);
    connect(&m_model, &Core::MiscFileCleanupViewModel::filesChanged, this, [this] {
        refreshRows();
        refresh();
    });
    // The model may already hold a list, scanned from the quick cleanup.
    refreshRows();
    refresh();
    new CleanRunBar(m_model.cleanRun(), this);
}

void MiscFileCleanupPage::refreshRows()
{
    const QDateTime now = Core::Clock::now();
    const QList<qsizetype> shown = m_model.shownRows();
    QList<PathItemModel::Row> rows;
    rows.reserve(shown.size());
    for (const qsizetype i : shown) {
        const Core::MiscFileItem& item = m_model.files()[i];
        rows.append({item.path, item.size, item.selected,
                     Symbols::forKind(Core::fileKindOf(Core::lastPathComponent(item.path))),
                     Core::SectionTexts::creation(item.creationDate) + QStringLiteral(" · ") +
                         Core::SectionTexts::age(item.creationDate, now)});
    }
    m_rows->setRows(std::move(rows));
    m_arrange->reflect(m_model.arrangement());
}

void MiscFileCleanupPage::refresh()
{
    const ScanState state = m_model.state();
    const Core::MiscFileCategory category = m_model.category();
    const bool busy = state == ScanState::scanning || state == ScanState::cleaning;
    const bool hasFiles = !m_model.files().isEmpty();
    // A scan refused for want of the home grant says so, with the way to give it.
    const bool needsGrant = state == ScanState::ready && m_model.message() == Core::AccessManager::kNeedsHome;
    const bool ready = state == ScanState::ready && !needsGrant;

    m_stack->setCurrentWidget(hasFiles ? m_listArea : static_cast<QWidget*>(m_placeholder));
    m_placeholder->setBusy(busy);
    m_placeholder->setSymbol(state == ScanState::scanned ? QStringLiteral("checkmark.circle")
                                                         : QStringLiteral("archivebox"));
    const Core::MiscFileTexts& texts = Core::miscFileTexts(category);
    m_placeholder->setTitle(ready ? texts.readyTitle() : m_model.message());
    m_placeholder->setSubtitle(ready ? texts.readySubtitle : QStringLiteral("支持重新扫描个人文件夹"));
    if (needsGrant)
        m_placeholder->setSubtitle(QStringLiteral("授权后即可扫描个人文件夹"));
    if (state == ScanState::scanning)
        m_placeholder->setSubtitle(m_model.scanWatch().text());
    m_placeholder->cancelButton()->setVisible(state == ScanState::scanning);

    const QList<Core::MiscFileItem>& files = m_model.files();
    const auto ticked = std::count_if(files.cbegin(), files.cend(), [](const auto& f) { return f.selected; });
    m_selectBar->setSelection(ticked, files.size(), m_model.selectedSize());
    const QList<qsizetype> shown = m_model.shownRows();
    m_selectBar->setShownSelection(Core::ViewModelSupport::selectedCount(files, shown), shown.size());
    m_selectBar->setRescanVisible(state == ScanState::scanned);
    const bool cleanable = state == ScanState::scanned && hasFiles;
    if (cleanable)
        m_button->setContent(QStringLiteral("删除 ") + Core::formattedByteCount(m_model.selectedSize()),
                             QStringLiteral("trash"), QStringLiteral("长按可全选或取消全选"));
    else
        m_button->setContent(QStringLiteral("开始扫描"), QStringLiteral("magnifyingglass"), texts.readyTitle());
    m_button->setEnabled(!cleanable || ticked > 0);
    m_button->setVisible(!busy);
}

void MiscFileCleanupPage::onTap()
{
    if (m_model.state() == ScanState::scanned && !m_model.files().isEmpty())
        m_model.clean();
    else
        m_model.startScan();
}

void MiscFileCleanupPage::onLongPress()
{
    if (m_model.state() == ScanState::scanned && !m_model.files().isEmpty())
        m_model.toggleAllSelection();
}

} // namespace Sweepora::Ui
