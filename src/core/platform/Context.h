#pragma once

#include "core/platform/PlatformLayout.h"

#include <QDateTime>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QSettings;
class QThreadPool;

namespace Sweepora::Core {

class CleanupJournal;
class FolderAccess;
class FolderPicker;
class Notifications;
struct SandboxScopes;
struct WalkShare;
class Trash;
namespace TrashGateway {
class Batch;
}

// The limits of the network client (see HTTPUtil): the GET idle limit, the POST idle limit and
// the limit for a whole exchange. `sessionDefault` is the manager's own idle limit.
struct HttpTimeouts
{
    std::chrono::milliseconds sessionDefault{15'000};
    std::chrono::milliseconds get{60'000};
    std::chrono::milliseconds post{70'000};
    std::chrono::milliseconds resource{90'000};
};

// Everything a run of Sweepora shares between its parts: the places it works in, its Trash
// and journal, its settings, the granted folders, the clock, the log, the job pool and the
// network session. Each program (the window, the command line, the service, a test) makes one
// and installs it for its lifetime with a Scope; nothing else in the process holds state.
//
// Thread-safe: scanners call in from the job pool while the GUI thread grants and restores.
// No lock is held while a picker runs or a notification is posted; a log sink runs under the
// log's own lock, so it must not log.
class Context
{
public:
    // A context for this machine's layout (PlatformLayout::system(), made on first use).
    Context();
    explicit Context(const PlatformLayout& layout);
    // Waits for the jobs still running on its pool: they may ask it for anything.
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // The installed context; a program that asks before installing one stops with a message.
    static Context& current();

    // Installs a context for as long as it lives, then waits for the context's jobs (they ask
    // the installed context) and puts back the one it replaced.
    class Scope
    {
    public:
        explicit Scope(Context& context);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Context& m_context;
        Context* m_previous = nullptr;
    };

    // Every layout ever set stays alive, so references handed out earlier stay valid.
    const PlatformLayout& layout();
    void setLayout(const PlatformLayout& layout);

    // The platform's Trash unless one was set; null restores the platform's.
    Trash& trash();
    void setTrash(std::shared_ptr<Trash> trash);
    // The journal of the layout's application-support folder, opened and settled on first
    // use; a new layout opens its own.
    std::shared_ptr<CleanupJournal> journal();
    // The clean open on the calling thread (see TrashGateway::Batch), or null; null closes it.
    TrashGateway::Batch* openBatch();
    void setOpenBatch(TrashGateway::Batch* batch);

    // The settings store: SWEEPORA_SETTINGS_FILE, else the user's defaults.
    QSettings& settings();
    void useSettingsFile(const QString& path);
    std::unique_ptr<QSettings> settingsCopy();

    Notifications& notifications();

    FolderPicker* folderPicker();
    void setFolderPicker(std::shared_ptr<FolderPicker> picker);

    QDateTime now();
    void setFixedNow(std::optional<QDateTime> moment);

    void logLine(const QString& text);
    void setLogSink(std::function<void(const QString&)> sink);
    void useStandardError(bool on);

    QThreadPool& jobPool();
    WalkShare& walks();

    HttpTimeouts httpTimeouts();
    void setHttpTimeouts(const HttpTimeouts& timeouts);
    // Created on first use as a child of the application object, on the GUI thread.
    QNetworkAccessManager& httpSession();
    void closeHttpSession();

    FolderAccess& access();
    SandboxScopes& sandbox();

private:
    struct State;
    std::unique_ptr<State> d;
};

} // namespace Sweepora::Core
