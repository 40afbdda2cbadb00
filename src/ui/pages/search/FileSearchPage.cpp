#include "ui/pages/search/FileSearchPage.h"

#include "core/scanners/FileSearchViewModel.h"
#include "core/util/ByteCount.h"
#include "core/util/ViewModelSupport.h"
#include "ui/components/CleanRunBar.h"
#include "ui/components/FileItemList.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/ListArrangeControls.h"
#include "ui/components/PlaceholderView.h"
#include "ui/components/SelectAllBar.h"

#include <QPushButton>

#include <algorithm>

namespace Sweepora::Ui {

using Core::ScanState;

FileSearchPage::FileSearchPage(Core::FileSearchViewModel& model, QWidget* parent)
    : PathListPage(QStringLiteral("doc.fill"), parent), m_model(model)
{
    setObjectName(QStringLiteral("fileSearchPage"));
    actionButton()->setLongPressAction([this] {
        if (hasCleanableList())
            m_model.toggleAllSelection();
    });
    connect(actionButton(), &QPushButton::clicked, this, [this] {
        if (hasCleanableList())
            m_model.clean();
    });
    connect(selectAllBar(), &SelectAllBar::toggleAllRequested, this, [this] {
        if (hasCleanableList())
            m_model.toggleAllSelection();
    });
    m_arrange = new ListArrangeControls(true, selectAllBar());
    selectAllBar()->addControls(m_arrange);
    connect(m_arrange, &ListArrangeControls::sortKeyChosen, &m_model, &Core::FileSearchViewModel::setSortKey);
    connect(m_arrange, &ListArrangeControls::nameFilterEdited, &m_model, &Core::FileSearchViewModel::setNameFilter);
    connect(list(), &FileItemList::toggleRequested, &m_model, &Core::FileSearchViewModel::toggleSelection);

    // A search publishes its list, its state and its message at once: the rows, which may be a
    // hundred thousand, are built for the list alone.
    connect(&m_model, &Core::FileSearchViewModel::stateChanged, this, &FileSearchPage::refresh);
    connect(&m_model, &Core::FileSearchViewModel::resultsChanged, this, [this] {
        refreshRows();
        refresh();
    });
    connect(&m_model, &Core::FileSearchViewModel::selectionChanged, this, [this] {
        refreshChecks();
        refresh();
    });
    connect(&m_model, &Core::FileSearchViewModel::messageChanged, this, &FileSearchPage::refresh);
    connect(&m_model.scanWatch(), &Core::ScanWatch::changed, this, &FileSearchPage::refresh);
    connect(placeholder()->cancelButton(), &QPushButton::clicked, &m_model, &Core::FileSearchViewModel::cancelScan);
    refreshRows();
    refresh();
    new CleanRunBar(m_model.cleanRun(), this);
}

bool FileSearchPage::hasCleanableList() const
{
    return m_model.state() == ScanState::scanned && !m_model.results().isEmpty();
}

void FileSearchPage::refreshRows()
{
    const QList<Core::FileSearchResult>& results = m_model.results();
    m_shown = m_model.shownRows();
    QList<PathItemModel::Row> rows;
    rows.reserve(m_shown.size());
    for (const qsizetype i : std::as_const(m_shown))
        rows.append({results[i].path, results[i].size, results[i].selected});
    showRows(std::move(rows), !results.isEmpty());
    m_arrange->reflect(m_model.arrangement());
    m_shownTicked = Core::ViewModelSupport::selectedCount(results, m_shown);
}

void FileSearchPage::refreshChecks()
{
    const QList<Core::FileSearchResult>& results = m_model.results();
    QList<bool> checks;
    checks.reserve(m_shown.size());
    for (const qsizetype i : std::as_const(m_shown))
        checks.append(results[i].selected);
    showChecks(checks);
    m_shownTicked = std::count(checks.cbegin(), checks.cend(), true);
}

void FileSearchPage::refresh()
{
    const ScanState state = m_model.state();
    const QList<Core::FileSearchResult>& results = m_model.results();
    const qsizetype ticked = std::count_if(results.cbegin(), results.cend(), [](const auto& r) { return r.selected; });
    selectAllBar()->setSelection(ticked, results.size(), m_model.selectedSize());
    selectAllBar()->setShownSelection(m_shownTicked, m_shown.size());

    placeholder()->setBusy(state == ScanState::scanning || state == ScanState::cleaning);
    placeholder()->setSymbol(state == ScanState::ready ? QStringLiteral("magnifyingglass")
                                                       : QStringLiteral("doc.text.magnifyingglass"));
    placeholder()->setTitle(m_model.message());
    placeholder()->setSubtitle(state == ScanState::ready ? QStringLiteral("支持按文件名模糊匹配，不区分大小写")
                               : state == ScanState::scanning ? m_model.scanWatch().text()
                                                              : QString());
    placeholder()->cancelButton()->setVisible(state == ScanState::scanning);

    actionButton()->setContent(QStringLiteral("删除 ") + Core::formattedByteCount(m_model.selectedSize()),
                               QStringLiteral("trash"), QStringLiteral("长按可全选或取消全选"));
    actionButton()->setEnabled(ticked > 0);
    actionButton()->setVisible(hasCleanableList());
    actionButton()->raise();
}

} // namespace Sweepora::Ui
