#include "core/quick/QuickCleanupViewModel.h"

#include "core/access/AccessManager.h"
#include "core/apps/ApplicationCleanupViewModel.h"
#include "core/platform/Clock.h"
#include "core/platform/Jobs.h"
#include "core/quick/QuickScan.h"
#include "core/rules/CleanupViewModel.h"
#include "core/scanners/EmptyFolderCleanupViewModel.h"
#include "core/scanners/MiscFileCleanupViewModel.h"
#include "core/sections/SectionTable.h"
#include "core/util/ByteCount.h"

#include <QPointer>

namespace Sweepora::Core {
namespace {

using Status = QuickCleanupCard::Status;

template <class State> Status statusOf(State state)
{
    switch (state) {
    case State::ready:
        return Status::notScanned;
    case State::scanning:
        return Status::scanning;
    case State::scanned:
        return Status::done;
    case State::cleaning:
        return Status::cleaning;
    default: // Authorizing, in the two models that have it
        return Status::preparing;
    }
}

template <class Model> void fillFiles(QuickCleanupCard& card, const Model* model)
{
    card.status = statusOf(model->state());
    card.count = model->files().size();
    card.size = model->totalSize();
}

template <class Model> void fillResults(QuickCleanupCard& card, const Model* model, double progress)
{
    card.status = statusOf(model->state());
    card.count = model->results().size();
    card.size = model->totalSize();
    card.percent = static_cast<int>(progress * 100);
}

} // namespace

QString QuickCleanupCard::statusText() const
{
    switch (status) {
    case Status::notScanned:
        return QStringLiteral("未扫描");
    case Status::preparing:
        return QStringLiteral("准备中");
    case Status::scanning:
        return percent < 0 ? QStringLiteral("扫描中") : QStringLiteral("扫描中 %1%").arg(percent);
    case Status::done:
        return QStringLiteral("已完成");
    case Status::cleaning:
        return QStringLiteral("清理中");
    }
    return {};
}

QString QuickCleanupCard::countText() const
{
    return QString::number(count) + QStringLiteral(" 项结果");
}

QString QuickCleanupCard::figureText() const
{
    return showsSize ? formattedByteCount(size) : QString::number(count) + QStringLiteral(" 个文件夹");
}

QuickCleanupViewModel::QuickCleanupViewModel(Models models, QObject* parent) : QObject(parent), m_models(models)
{
    const auto notify = [this] { emit changed(); };
    connect(m_models.taskModel, &CleanupViewModel::stateChanged, this, notify);
    connect(m_models.taskModel, &CleanupViewModel::resultsChanged, this, notify);
    connect(m_models.taskModel, &CleanupViewModel::scanProgressChanged, this, notify);
    connect(m_models.applicationModel, &ApplicationCleanupViewModel::progressChanged, this, notify);
    connect(m_models.applicationModel, &ApplicationCleanupViewModel::stateChanged, this, notify);
    connect(m_models.applicationModel, &ApplicationCleanupViewModel::resultsChanged, this, notify);
    for (MiscFileCleanupViewModel* m : {m_models.miscModel, m_models.archiveModel, m_models.installerModel}) {
        connect(m, &MiscFileCleanupViewModel::stateChanged, this, notify);
        connect(m, &MiscFileCleanupViewModel::filesChanged, this, notify);
    }
    connect(m_models.emptyFolderModel, &EmptyFolderCleanupViewModel::stateChanged, this, notify);
    connect(m_models.emptyFolderModel, &EmptyFolderCleanupViewModel::foldersChanged, this, notify);
}

int QuickCleanupViewModel::scanCount()
{
    return static_cast<int>(quickCleanupSections().size());
}

QList<QuickCleanupCard> QuickCleanupViewModel::cards() const
{
    QList<QuickCleanupCard> all;
    for (const Section& s : quickCleanupSections())
        all.append(card(s));
    return all;
}

QuickCleanupCard QuickCleanupViewModel::card(const Section& section) const
{
    QuickCleanupCard card{section.id, section.symbol, section.quickTint};
    switch (section.key) {
    case SectionKey::ruleCleanup:
        fillResults(card, m_models.taskModel, m_models.taskModel->scanProgress());
        break;
    case SectionKey::applicationCleanup:
        fillResults(card, m_models.applicationModel, m_models.applicationModel->progress());
        break;
    case SectionKey::miscFiles:
        fillFiles(card, m_models.miscModel);
        break;
    case SectionKey::archives:
        fillFiles(card, m_models.archiveModel);
        break;
    case SectionKey::installers:
        fillFiles(card, m_models.installerModel);
        break;
    case SectionKey::emptyFolders:
        card.status = statusOf(m_models.emptyFolderModel->state());
        card.count = m_models.emptyFolderModel->folders().size();
        card.showsSize = false;
        break;
    default: // not a scan of the quick cleanup
        break;
    }
    return card;
}

bool QuickCleanupViewModel::isAnyScanRunning() const
{
    for (const QuickCleanupCard& card : cards())
        if (card.isBusy())
            return true;
    return false;
}

int QuickCleanupViewModel::completedScanCount() const
{
    int done = 0;
    for (const QuickCleanupCard& card : cards())
        done += card.status == Status::done ? 1 : 0;
    return done;
}

bool QuickCleanupViewModel::hasActivity() const
{
    if (m_hasStarted)
        return true;
    for (const QuickCleanupCard& card : cards())
        if (card.status != Status::notScanned)
            return true;
    return false;
}

QString QuickCleanupViewModel::startButtonText() const
{
    if (!isAnyScanRunning())
        return QStringLiteral("开始扫描");
    return QStringLiteral("正在扫描 %1/%2").arg(completedScanCount()).arg(scanCount());
}

void QuickCleanupViewModel::startQuickScan()
{
    // A second press while the folder panel is still open would open a second panel.
    if (isAnyScanRunning() || m_awaitingAuthorization)
        return;
    m_awaitingAuthorization = true;
    AccessManager::requestHomeAuthorization([self = QPointer<QuickCleanupViewModel>(this)](bool granted) {
        if (!self)
            return;
        self->m_awaitingAuthorization = false;
        if (granted)
            self->startScans();
    });
}

void QuickCleanupViewModel::cancelScans()
{
    m_models.taskModel->cancelScan();
    m_models.applicationModel->cancelScan();
    // The four home-folder scans share one walk: one cancel stops them all.
    m_models.miscModel->cancelScan();
    m_models.archiveModel->cancelScan();
    m_models.installerModel->cancelScan();
    m_models.emptyFolderModel->cancelScan();
}

void QuickCleanupViewModel::startScans()
{
    m_hasStarted = true;
    emit changed();
    // Fixed here, on the GUI thread, so the whole scan counts from one moment.
    QuickScan::Options options{.home = AccessManager::homeDirectoryURL().path(),
                               .cutoff = MiscFileEngine::cutoffFor(Clock::now())};
    // Each model shows its part as its own scan and gets its result back as soon as that part is
    // done; a model that refuses (busy) simply adds nothing.
    m_models.taskModel->joinQuickScan(options);
    m_models.applicationModel->joinQuickScan(options);
    m_models.miscModel->joinQuickScan(options);
    m_models.archiveModel->joinQuickScan(options);
    m_models.installerModel->joinQuickScan(options);
    m_models.emptyFolderModel->joinQuickScan(options);
    m_scan = runJob([options] { return QuickScan::run(options); });
}

} // namespace Sweepora::Core
