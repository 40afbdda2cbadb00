#include "core/scanners/DuplicateFileViewModel.h"

#include "core/access/AccessManager.h"
#include "core/platform/FolderPicker.h"
#include "core/platform/Jobs.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/sections/SectionTexts.h"
#include "core/util/FileKind.h"
#include "core/util/NameOrder.h"
#include "core/util/ViewModelSupport.h"

#include <QPointer>
#include <QSet>

namespace Sweepora::Core {
namespace {

// Progress is read this often while a scan runs: smooth enough, and cheap.
constexpr int kPollMSecs = 150;

bool inAny(const QStringList& folders, const QString& path)
{
    return std::any_of(folders.cbegin(), folders.cend(), [&](const QString& f) { return Sandbox::isWithin(f, path); });
}

} // namespace

DuplicateFileViewModel::Kind DuplicateFileViewModel::kindOf(const QString& path)
{
    switch (fileKindOf(lastPathComponent(path))) {
    case FileKind::image:
        return Kind::images;
    case FileKind::video:
        return Kind::videos;
    case FileKind::document:
        return Kind::documents;
    case FileKind::archive:
        return Kind::archives;
    default:
        return Kind::other;
    }
}

DuplicateFileViewModel::DuplicateFileViewModel(QObject* parent)
    : FileListViewModel(QStringLiteral("选择最小大小后扫描个人文件夹"), parent)
{
    m_poll.setInterval(kPollMSecs);
    connect(&m_poll, &QTimer::timeout, this, &DuplicateFileViewModel::pollProgress);
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        m_poll.stop();
        pollProgress();
        DuplicateFileEngine::Report report = m_scanWatcher.future().result();
        if (report.cancelled) {
            setState(ScanState::ready);
            setMessage(QStringLiteral("已取消扫描"));
            return;
        }
        const QString found = SectionTexts::duplicatesFound(report.groups.size(), report.totalWasted);
        m_groups = std::move(report.groups);
        applyFilter();
        finishScan(found);
    });
}

DuplicateFileViewModel::~DuplicateFileViewModel()
{
    // A scan still running stops reading at once; its result goes nowhere.
    if (m_counters)
        m_counters->cancelled = true;
}

qint64 DuplicateFileViewModel::selectedSize() const
{
    qint64 sum = 0;
    for (const DuplicateGroup& g : m_shown)
        for (const DuplicateCopy& c : g.copies)
            if (c.selected)
                sum += g.size;
    return sum;
}

qsizetype DuplicateFileViewModel::selectedCount() const
{
    qsizetype n = 0;
    for (const DuplicateGroup& g : m_shown)
        n += std::count_if(g.copies.cbegin(), g.copies.cend(), [](const DuplicateCopy& c) { return c.selected; });
    return n;
}

void DuplicateFileViewModel::setKind(Kind kind)
{
    if (!ViewModelSupport::assign(m_kind, kind))
        return;
    applyFilter();
    emit settingsChanged();
}

void DuplicateFileViewModel::setMinimumSize(qint64 bytes)
{
    if (ViewModelSupport::assign(m_minimumSize, qMax<qint64>(1, bytes)))
        emit settingsChanged();
}

void DuplicateFileViewModel::setScanFolder(const QString& folder)
{
    if (ViewModelSupport::assign(m_scanFolder, folder.isEmpty() ? QString() : standardizedPath(folder)))
        emit settingsChanged();
}

void DuplicateFileViewModel::addReferenceFolder(const QString& folder)
{
    const QString path = standardizedPath(folder);
    if (path.isEmpty() || m_referenceFolders.contains(path))
        return;
    m_referenceFolders.append(path);
    retick();
    emit settingsChanged();
}

void DuplicateFileViewModel::removeReferenceFolder(const QString& folder)
{
    if (!m_referenceFolders.removeOne(standardizedPath(folder)))
        return;
    retick();
    emit settingsChanged();
}

void DuplicateFileViewModel::pickScanFolder()
{
    pickFolder(QStringLiteral("选择要查找重复文件的文件夹"), [this](const QString& folder) { setScanFolder(folder); });
}

void DuplicateFileViewModel::pickReferenceFolder()
{
    pickFolder(QStringLiteral("选择参考文件夹（其中的文件总是保留）"),
               [this](const QString& folder) { addReferenceFolder(folder); });
}

void DuplicateFileViewModel::pickFolder(const QString& title, const std::function<void(const QString&)>& use)
{
    FolderPicker* picker = FolderPicker::current();
    if (!picker)
        return;
    FolderPickerRequest request;
    request.title = title;
    request.prompt = QStringLiteral("选择");
    request.directory = m_scanFolder.isEmpty() ? AccessManager::homeDirectoryURL().path() : m_scanFolder;
    picker->pickFolder(request, [self = QPointer<DuplicateFileViewModel>(this), use](std::optional<FolderUrl> url) {
        if (self.isNull() || !url)
            return;
        if (!AccessManager::beginAccess(*url) && !Sandbox::canRead(url->path())) {
            self->setMessage(QStringLiteral("无法读取所选文件夹，请重新授权"));
            return;
        }
        use(url->path());
    });
}

void DuplicateFileViewModel::retick()
{
    if (state() != ScanState::scanned)
        return;
    for (DuplicateGroup& g : m_groups) {
        for (DuplicateCopy& c : g.copies)
            c.inReferenceFolder = inAny(m_referenceFolders, c.path);
        DuplicateFileEngine::chooseKeptCopy(g);
    }
    applyFilter();
}

void DuplicateFileViewModel::applyFilter()
{
    m_shown.clear();
    for (const DuplicateGroup& g : std::as_const(m_groups))
        if (m_kind == Kind::all || kindOf(g.kept().path) == m_kind)
            m_shown.append(g);
    emit filesChanged();
}

void DuplicateFileViewModel::pollProgress()
{
    if (!m_counters)
        return;
    const ScanProgress now{m_counters->filesDone.load(), m_counters->filesTotal.load(), m_counters->bytesDone.load(),
                           m_counters->bytesTotal.load()};
    if (now.filesDone == m_progress.filesDone && now.filesTotal == m_progress.filesTotal &&
        now.bytesDone == m_progress.bytesDone && now.bytesTotal == m_progress.bytesTotal)
        return;
    m_progress = now;
    emit progressChanged();
}

void DuplicateFileViewModel::startScan()
{
    if (!mayStartScan())
        return;
    setState(ScanState::scanning);
    m_groups.clear();
    applyFilter();
    setMessage(QStringLiteral("正在查找重复文件…"));
    m_progress = {};
    emit progressChanged();
    m_counters = std::make_shared<DuplicateFileEngine::Progress>();
    DuplicateFileEngine::Options options;
    options.roots = {m_scanFolder.isEmpty() ? AccessManager::homeDirectoryURL().path() : m_scanFolder};
    options.minimumSize = m_minimumSize;
    options.referenceFolders = m_referenceFolders;
    m_scanWatcher.setFuture(runJob(
        [options, counters = m_counters] { return DuplicateFileEngine::findDuplicates(options, counters.get()); }));
    m_poll.start();
}

void DuplicateFileViewModel::cancelScan()
{
    if (state() == ScanState::scanning && m_counters) {
        m_counters->cancelled = true;
        setMessage(QStringLiteral("正在取消…"));
    }
}

void DuplicateFileViewModel::toggleSelection(const QString& path)
{
    for (DuplicateGroup& g : m_groups) {
        for (qsizetype i = 1; i < g.copies.size(); ++i) {
            if (g.copies[i].path == path) {
                g.copies[i].selected = !g.copies[i].selected;
                applyFilter();
                return;
            }
        }
    }
}

void DuplicateFileViewModel::toggleAllSelection()
{
    bool all = true;
    for (const DuplicateGroup& g : std::as_const(m_shown))
        for (qsizetype i = 1; i < g.copies.size(); ++i)
            all = all && (g.copies[i].selected || g.copies[i].inReferenceFolder);
    QSet<QString> shown;
    for (const DuplicateGroup& g : std::as_const(m_shown))
        shown.insert(g.kept().path);
    for (DuplicateGroup& g : m_groups)
        if (shown.contains(g.kept().path))
            for (qsizetype i = 1; i < g.copies.size(); ++i)
                g.copies[i].selected = !all && !g.copies[i].inReferenceFolder;
    applyFilter();
}

void DuplicateFileViewModel::keepCopy(const QString& path)
{
    for (DuplicateGroup& g : m_groups) {
        if (DuplicateFileEngine::keepCopy(g, path)) {
            applyFilter();
            return;
        }
    }
}

void DuplicateFileViewModel::clean()
{
    const QList<DuplicateGroup> groups = m_shown;
    const qsizetype total = selectedCount();
    if (!mayClean(total > 0))
        return;
    startClean(
        QStringLiteral("dupes"), [groups] { return DuplicateFileEngine::moveToTrash(groups); }, total);
}

void DuplicateFileViewModel::removeCleaned(const QSet<QString>& done)
{
    QList<DuplicateGroup> left;
    for (DuplicateGroup g : std::as_const(m_groups)) {
        g.copies.removeIf([&](const DuplicateCopy& c) { return done.contains(c.path); });
        if (g.copies.size() >= 2)
            left.append(std::move(g));
    }
    m_groups = std::move(left);
    m_shown.clear();
    for (const DuplicateGroup& g : std::as_const(m_groups))
        if (m_kind == Kind::all || kindOf(g.kept().path) == m_kind)
            m_shown.append(g);
}

} // namespace Sweepora::Core
