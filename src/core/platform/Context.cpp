#include "core/platform/Context.h"

#include "core/access/FolderAccess.h"
#include "core/fs/WalkShare.h"
#include "core/platform/FolderPicker.h"
#include "core/platform/Notifications.h"
#include "core/platform/PathBytes.h"
#include "core/platform/Sandbox.h"
#include "core/trash/CleanupJournal.h"
#include "core/trash/Trash.h"

#include <QCoreApplication>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QSettings>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <cstdio>
#include <list>

namespace Sweepora::Core {
namespace {
// The one process-wide variable: which context the program installed.
std::atomic<Context*> g_installed{nullptr};
} // namespace

struct Context::State
{
    explicit State(Context& context) : access(context)
    {
        // Quick cleanup starts six scans at once and the machine may have two cores, so the
        // pool is sized for jobs, not for cores: no scan ever waits for another to finish.
        pool.setMaxThreadCount(16);
        pool.setExpiryTimeout(30'000);
    }

    QMutex layoutMutex;
    std::list<PlatformLayout> layouts;
    PlatformLayout* layout = nullptr;

    QMutex trashMutex;
    std::shared_ptr<Trash> trash;

    QMutex journalMutex;
    std::shared_ptr<CleanupJournal> journal;
    QString journalFile;

    QMutex batchMutex;
    QHash<Qt::HANDLE, TrashGateway::Batch*> openBatches; // by thread

    QMutex settingsMutex;
    std::unique_ptr<QSettings> settings;

    Notifications notifications;

    QMutex pickerMutex;
    std::shared_ptr<FolderPicker> picker;

    QMutex clockMutex;
    std::optional<QDateTime> fixedNow;

    QMutex logMutex;
    std::function<void(const QString&)> logSink;
    bool logToStandardError = false;

    // Only the GUI thread sends requests (see HTTPUtil), so these need no lock.
    HttpTimeouts httpTimeouts;
    QPointer<QNetworkAccessManager> httpSession;

    SandboxScopes sandbox;
    WalkShare walks;
    FolderAccess access;
    QThreadPool pool;
};

Context::Context() : d(std::make_unique<State>(*this))
{}

Context::Context(const PlatformLayout& layout) : Context()
{
    setLayout(layout);
}

Context::~Context()
{
    // A job still running may ask this context for anything: let it finish first.
    d->pool.clear();
    d->pool.waitForDone();
    if (g_installed.load() == this)
        g_installed.store(nullptr);
    // Replies still in flight belong to the session and go with it.
    delete d->httpSession.data();
}

Context& Context::current()
{
    Context* installed = g_installed.load(std::memory_order_acquire);
    if (installed == nullptr)
        qFatal("Sweepora: no context installed");
    return *installed;
}

Context::Scope::Scope(Context& context) : m_context(context), m_previous(g_installed.exchange(&context))
{}

Context::Scope::~Scope()
{
    m_context.jobPool().waitForDone();
    g_installed.store(m_previous);
}

const PlatformLayout& Context::layout()
{
    QMutexLocker lock(&d->layoutMutex);
    if (d->layout == nullptr)
        d->layout = &d->layouts.emplace_back(PlatformLayout::system());
    return *d->layout;
}

// The layout's own file stays free of the context: readers built alone (the fuzz targets) use it.
const PlatformLayout& PlatformLayout::current()
{
    return Context::current().layout();
}

void PlatformLayout::setCurrent(const PlatformLayout& layout)
{
    Context::current().setLayout(layout);
}

void Context::setLayout(const PlatformLayout& layout)
{
    QMutexLocker lock(&d->layoutMutex);
    d->layout = &d->layouts.emplace_back(layout);
}

Trash& Context::trash()
{
    QMutexLocker lock(&d->trashMutex);
    if (!d->trash)
        d->trash = Trash::platform();
    return *d->trash;
}

void Context::setTrash(std::shared_ptr<Trash> trash)
{
    QMutexLocker lock(&d->trashMutex);
    d->trash = std::move(trash);
}

std::shared_ptr<CleanupJournal> Context::journal()
{
    const PlatformLayout& places = layout();
    const QString file = CleanupJournal::fileFor(places.applicationSupport);
    QMutexLocker lock(&d->journalMutex);
    if (!d->journal || d->journalFile != file) {
        d->journal = std::make_shared<CleanupJournal>(file);
        d->journalFile = file;
        d->journal->settlePending({bytesFromPath(places.dataHome + QStringLiteral("/Trash/files"))});
    }
    return d->journal;
}

TrashGateway::Batch* Context::openBatch()
{
    QMutexLocker lock(&d->batchMutex);
    return d->openBatches.value(QThread::currentThreadId());
}

void Context::setOpenBatch(TrashGateway::Batch* batch)
{
    QMutexLocker lock(&d->batchMutex);
    if (batch != nullptr)
        d->openBatches.insert(QThread::currentThreadId(), batch);
    else
        d->openBatches.remove(QThread::currentThreadId());
}

QSettings& Context::settings()
{
    QMutexLocker lock(&d->settingsMutex);
    if (!d->settings) {
        const QString file = qEnvironmentVariable("SWEEPORA_SETTINGS_FILE");
        if (!file.isEmpty())
            d->settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
        else
            d->settings = std::make_unique<QSettings>(QStringLiteral("Sweepora"), QStringLiteral("Sweepora"));
    }
    return *d->settings;
}

void Context::useSettingsFile(const QString& path)
{
    QMutexLocker lock(&d->settingsMutex);
    d->settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

std::unique_ptr<QSettings> Context::settingsCopy()
{
    const QSettings& shared = settings();
    if (!shared.organizationName().isEmpty())
        return std::make_unique<QSettings>(shared.format(), shared.scope(), shared.organizationName(),
                                           shared.applicationName());
    return std::make_unique<QSettings>(shared.fileName(), shared.format());
}

Notifications& Context::notifications()
{
    return d->notifications;
}

FolderPicker* Context::folderPicker()
{
    QMutexLocker lock(&d->pickerMutex);
    return d->picker.get();
}

void Context::setFolderPicker(std::shared_ptr<FolderPicker> picker)
{
    QMutexLocker lock(&d->pickerMutex);
    d->picker = std::move(picker);
}

QDateTime Context::now()
{
    QMutexLocker lock(&d->clockMutex);
    return d->fixedNow ? *d->fixedNow : QDateTime::currentDateTime();
}

void Context::setFixedNow(std::optional<QDateTime> moment)
{
    QMutexLocker lock(&d->clockMutex);
    d->fixedNow = std::move(moment);
}

void Context::logLine(const QString& text)
{
    QMutexLocker lock(&d->logMutex);
    if (d->logSink) {
        d->logSink(text);
        return;
    }
    QByteArray bytes = text.toUtf8();
    bytes.replace('\n', "\\n"); // one message, one line
    bytes.append('\n');
    FILE* out = d->logToStandardError ? stderr : stdout;
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), out);
    std::fflush(out);
}

void Context::setLogSink(std::function<void(const QString&)> sink)
{
    QMutexLocker lock(&d->logMutex);
    d->logSink = std::move(sink);
}

void Context::useStandardError(bool on)
{
    QMutexLocker lock(&d->logMutex);
    d->logToStandardError = on;
}

QThreadPool& Context::jobPool()
{
    return d->pool;
}

WalkShare& Context::walks()
{
    return d->walks;
}

HttpTimeouts Context::httpTimeouts()
{
    return d->httpTimeouts;
}

void Context::setHttpTimeouts(const HttpTimeouts& timeouts)
{
    d->httpTimeouts = timeouts;
    httpSession().setTransferTimeout(int(timeouts.sessionDefault.count()));
}

QNetworkAccessManager& Context::httpSession()
{
    Q_ASSERT(QCoreApplication::instance());
    if (!d->httpSession) {
        d->httpSession = new QNetworkAccessManager(QCoreApplication::instance());
        d->httpSession->setTransferTimeout(int(d->httpTimeouts.sessionDefault.count()));
    }
    return *d->httpSession;
}

void Context::closeHttpSession()
{
    delete d->httpSession.data();
}

FolderAccess& Context::access()
{
    return d->access;
}

SandboxScopes& Context::sandbox()
{
    return d->sandbox;
}

} // namespace Sweepora::Core
