#include "core/apps/LeftoverViewModel.h"

#include "core/access/AccessManager.h"
#include "core/platform/Jobs.h"
#include "core/platform/PlatformLayout.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ViewModelSupport.h"

#include <QPointer>

namespace Sweepora::Core {

LeftoverViewModel::LeftoverViewModel(QObject* parent)
    : FileListViewModel(QStringLiteral("查找已卸载应用留下的文件"), parent, AfterScan::keepUndo)
{
    connect(this, &FileListViewModel::filesChanged, this, &LeftoverViewModel::itemsChanged);
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        m_items = m_scanWatcher.future().result();
        finishScan(SectionTexts::leftoversFound(m_items.size()));
    });
}

LeftoverViewModel::~LeftoverViewModel() = default;

qint64 LeftoverViewModel::selectedSize() const
{
    return ViewModelSupport::selectedSize(m_items);
}

void LeftoverViewModel::startScan()
{
    if (state() != ScanState::ready && state() != ScanState::scanned)
        return;
    setState(ScanState::authorizing);
    AccessManager::requestHomeAuthorization([self = QPointer<LeftoverViewModel>(this)](bool granted) {
        if (self.isNull())
            return;
        if (!granted) {
            self->setState(ScanState::ready);
            self->setMessage(QStringLiteral("需要授权个人文件夹才能查找残留文件"));
            return;
        }
        self->setState(ScanState::scanning);
        self->setMessage(QStringLiteral("正在查找残留文件…"));
        const QString home = AccessManager::homeDirectoryURL().path();
        const LinuxApplicationPlaces places = PlatformLayout::current().linuxApplications;
        self->m_scanWatcher.setFuture(runJob([places, home] { return LeftoverEngine::findLeftovers(places, home); }));
    });
}

void LeftoverViewModel::clean()
{
    const QList<LeftoverItem> selection = ViewModelSupport::selected(m_items);
    if (!mayClean(!selection.isEmpty()))
        return;
    startClean(
        QStringLiteral("leftovers"), [selection] { return LeftoverEngine::clean(selection); }, 0,
        QStringLiteral("正在将残留文件移到废纸篓…"));
}

void LeftoverViewModel::toggleSelection(const QString& path)
{
    if (ViewModelSupport::toggle(m_items, &LeftoverItem::path, path))
        emit filesChanged();
}

void LeftoverViewModel::toggleAllSelection()
{
    if (ViewModelSupport::toggleAll(m_items))
        emit filesChanged();
}

void LeftoverViewModel::removeCleaned(const QSet<QString>& done)
{
    m_items = ViewModelSupport::without(m_items, &LeftoverItem::path, done);
}

} // namespace Sweepora::Core
