#include "scanners/QuickCleanupViewModel.h"

#include "access/AccessManager.h"
#include "apps/ApplicationCleanupViewModel.h"
#include "rules/CleanupViewModel.h"
#include "scanners/EmptyFolderCleanupViewModel.h"
#include "scanners/MiscFileCleanupViewModel.h"
#include "scanners/SharedHomeWalk.h"
#include "util/ByteCount.h"

#include <QPointer>

namespace Sweepora::Core {
namespace {

using Status = QuickCleanupCard::Status;

template <class State> Status statusOf(State state)
{
    switch (state) {
    case State::Ready:
        return Status::NotScanned;
    case State::Scanning:
        return Status::Scanning;
    case State::Scanned:
        return Status::Done;
    case State::Cleaning:
        return Status::Cleaning;
    default: // Authorizing, in the two models that have it
        return Status::Preparing;
    }
}

QuickCleanupCard miscCard(const MiscFileCleanupViewModel* model, const char* title, const char* symbol,
                          const char* tint)
{
    return {QString::fromUtf8(title), QString::fromLatin1(symbol), QString::fromLatin1(tint),
            statusOf(model->state()), model->files().size(),       model->totalSize()};
}

} // namespace

QString QuickCleanupCard::statusText() const
{
    switch (status) {
    case Status::NotScanned:
        return QStringLiteral("未扫描");
    case Status::Preparing:
        return QStringLiteral("准备中");
    case Status::Scanning:
        return percent < 0 ? QStringLiteral("扫描中") : QStringLiteral("扫描中 %1%").arg(percent);
    case Status::Done:
        return QStringLiteral("已完成");
    case Status::Cleaning:
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

QList<QuickCleanupCard> QuickCleanupViewModel::cards() const
{
    QuickCleanupCard empty{QStringLiteral("空文件夹清理"),
                           QStringLiteral("folder.badge.minus"),
                           QStringLiteral("teal"),
                           statusOf(m_models.emptyFolderModel->state()),
                           m_models.emptyFolderModel->folders().size(),
                           0};
    empty.showsSize = false;
    QList<QuickCleanupCard> all = {
        {QStringLiteral("常规清理"), QStringLiteral("sparkles"), QStringLiteral("blue"),
         statusOf(m_models.taskModel->state()), m_models.taskModel->results().size(), m_models.taskModel->totalSize()},
        {QStringLiteral("应用清理"), QStringLiteral("app.badge.checkmark"), QStringLiteral("purple"),
         statusOf(m_models.applicationModel->state()), m_models.applicationModel->results().size(),
         m_models.applicationModel->totalSize()},
        miscCard(m_models.miscModel, "闲杂文件", "archivebox", "orange"),
        miscCard(m_models.archiveModel, "压缩包清理", "doc.zipper", "indigo"),
        miscCard(m_models.installerModel, "安装包清理", "shippingbox", "mint"),
        empty,
    };
    all[0].percent = static_cast<int>(m_models.taskModel->scanProgress() * 100);
    all[1].percent = static_cast<int>(m_models.applicationModel->progress() * 100);
    return all;
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
        done += card.status == Status::Done ? 1 : 0;
    return done;
}

bool QuickCleanupViewModel::hasActivity() const
{
    if (m_hasStarted)
        return true;
    for (const QuickCleanupCard& card : cards())
        if (card.status != Status::NotScanned)
            return true;
    return false;
}

QString QuickCleanupViewModel::startButtonText() const
{
    if (!isAnyScanRunning())
        return QStringLiteral("开始扫描");
    return QStringLiteral("正在扫描 %1/%2").arg(completedScanCount()).arg(kScanCount);
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
    m_models.taskModel->startScan();
    m_models.applicationModel->startScan();
    // The four scans of the whole home folder join one walk; each model that refuses (busy)
    // simply adds nothing to it.
    SharedHomeWalk walk(AccessManager::homeDirectoryURL().path());
    m_models.miscModel->startScan(&walk);
    m_models.archiveModel->startScan(&walk);
    m_models.installerModel->startScan(&walk);
    m_models.emptyFolderModel->startScan(&walk);
    walk.start();
}

} // namespace Sweepora::Core
