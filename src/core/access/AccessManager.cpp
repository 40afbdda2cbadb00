#include "access/AccessManager.h"

#include "platform/Bookmark.h"
#include "platform/FolderPicker.h"
#include "platform/Log.h"
#include "platform/Notifications.h"
#include "platform/PlatformLayout.h"
#include "platform/Sandbox.h"
#include "platform/Settings.h"

#include <QFile>
#include <QHash>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <memory>

#include <unistd.h>

namespace Sweepora::Core {
namespace {

using FolderGrants = QMap<QString, QByteArray>; // standardized folder path -> bookmark

struct State
{
    QMutex mutex;
    std::optional<FolderUrl> activeHome;
    QHash<QString, FolderUrl> activeFolders; // keyed by standardized path
};

State& state()
{
    // Never destroyed: background scans may still ask while the process exits.
    static State* s = new State;
    return *s;
}

void log(const QString& text)
{
    Log::line(QStringLiteral("[AccessManager] ") + text);
}

std::unique_ptr<QSettings> openDefaults()
{
    return Settings::threadCopy();
}

FolderGrants readFolders(const QSettings& defaults, bool* dropped = nullptr)
{
    FolderGrants folders;
    const QVariantMap raw = defaults.value(Settings::kFolderBookmarks).toMap();
    for (auto it = raw.cbegin(); it != raw.cend(); ++it) {
        if (it.value().typeId() == QMetaType::QByteArray)
            folders.insert(it.key(), it.value().toByteArray());
        else if (dropped != nullptr)
            *dropped = true;
    }
    return folders;
}

void writeFolders(QSettings& defaults, const FolderGrants& folders)
{
    QVariantMap raw;
    for (auto it = folders.cbegin(); it != folders.cend(); ++it)
        raw.insert(it.key(), it.value());
    defaults.setValue(Settings::kFolderBookmarks, raw);
}

std::optional<QByteArray> readData(const QSettings& defaults, const QString& key)
{
    const QVariant value = defaults.value(key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

QString homePath()
{
    return PlatformLayout::current().home;
}

// The real home, or the very same folder (device and inode) seen through another volume's path,
// which ends with it; a different folder that merely ends with the home's path is not the home.
bool isHomePath(const QString& path)
{
    const QString home = homePath();
    return !path.isEmpty() && !home.isEmpty() &&
           (path == home || (path.endsWith(home) && FolderUrl::isSameFolder(path, home)));
}

// The layout's probe folder, placed below the granted folder instead of the real home.
QString probePathFor(const FolderUrl& grant)
{
    const PlatformLayout& layout = PlatformLayout::current();
    if (layout.probeFolder == layout.home)
        return grant.path();
    if (!Sandbox::isWithin(layout.home, layout.probeFolder))
        return layout.probeFolder;
    return standardizedPath(grant.path() + QLatin1Char('/') + layout.probeFolder.mid(layout.home.size()));
}

bool isReadable(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), R_OK) == 0;
}

// Everything below runs with state().mutex held.

std::optional<FolderUrl> storedHomeLocked(QSettings& defaults)
{
    const std::optional<QByteArray> data = readData(defaults, Settings::kHomeBookmark);
    if (!data)
        return std::nullopt;
    const BookmarkResolution resolved = Bookmark::resolve(*data);
    if (!resolved.url)
        return std::nullopt;
    if (resolved.stale) {
        if (const std::optional<QByteArray> fresh = Bookmark::create(*resolved.url))
            defaults.setValue(Settings::kHomeBookmark, *fresh);
    }
    return resolved.url;
}

bool hasHomeAccessLocked(QSettings& defaults)
{
    const std::optional<FolderUrl> grant = storedHomeLocked(defaults);
    if (!grant || !isHomePath(grant->path()))
        return false;
    State& s = state();
    if (!s.activeHome) {
        if (!Bookmark::startAccessing(*grant))
            return false;
        s.activeHome = *grant;
    }
    return isReadable(probePathFor(*grant));
}

bool coveredLocked(const FolderUrl& url)
{
    const State& s = state();
    if (s.activeHome && Sandbox::isWithin(s.activeHome->path(), url.path()))
        return true;
    for (const FolderUrl& folder : s.activeFolders)
        if (Sandbox::isWithin(folder.path(), url.path()))
            return true;
    return false;
}

bool restoreFolderGrantLocked(QSettings& defaults, const FolderUrl& url)
{
    const QString target = url.path();
    FolderGrants folders = readFolders(defaults);
    QString best;
    for (auto it = folders.cbegin(); it != folders.cend(); ++it)
        if (Sandbox::isWithin(it.key(), target) && it.key().size() > best.size())
            best = it.key(); // the innermost granted folder
    if (best.isEmpty())
        return false;

    const BookmarkResolution resolved = Bookmark::resolve(folders.value(best));
    if (!resolved.url)
        return false;
    State& s = state();
    const QString path = resolved.url->path();
    // Already open under its own path (the stored key differs): one scope is enough.
    if (!s.activeFolders.contains(path) && !Bookmark::startAccessing(*resolved.url))
        return false;
    s.activeFolders.insert(path, *resolved.url);

    if (resolved.stale) {
        if (const std::optional<QByteArray> fresh = Bookmark::create(*resolved.url)) {
            folders.remove(best);
            folders.insert(path, *fresh);
            writeFolders(defaults, folders);
        }
    }
    return true;
}

bool persistFolderGrantLocked(QSettings& defaults, const FolderUrl& url)
{
    if (url.isEmpty() || isHomePath(url.path()))
        return false;
    const std::optional<QByteArray> data = Bookmark::create(url);
    if (!data)
        return false;
    FolderGrants folders = readFolders(defaults);
    folders.insert(url.path(), *data);
    writeFolders(defaults, folders);
    log(QStringLiteral("已持久化文件夹授权：") + url.path());
    return true;
}

void askForHome(AccessManager::Completion completion, const QString& wrongChoice);

void handleHomePanelResult(const std::optional<FolderUrl>& chosen, const AccessManager::Completion& completion)
{
    const auto finish = [&completion](bool ok) {
        if (completion)
            completion(ok);
    };
    if (!chosen || chosen->isEmpty()) {
        log(QStringLiteral("用户取消个人文件夹授权"));
        finish(false);
        return;
    }
    const QString path = chosen->path();
    log(QStringLiteral("用户选择的文件夹：") + path);
    if (!isHomePath(path)) {
        log(QStringLiteral("授权失败，选择的不是个人文件夹：") + path);
        // Say which folder is needed and let the user choose again; a cancel ends it.
        askForHome(completion, path);
        return;
    }
    // The scope opens on the home itself, where every scan looks, not on the other path.
    const FolderUrl home = FolderUrl::sameFolderAt(*chosen, homePath());
    bool ok = false;
    {
        QMutexLocker lock(&state().mutex);
        const std::unique_ptr<QSettings> defaults = openDefaults();
        if (const std::optional<QByteArray> data = Bookmark::create(home)) {
            defaults->setValue(Settings::kHomeBookmark, *data);
            ok = hasHomeAccessLocked(*defaults);
        }
    }
    if (ok)
        Notifications::instance().postAuthorizationDidChange();
    log(QStringLiteral("授权完成，文件夹：") + path + QStringLiteral("，书签保存：") +
        (ok ? QStringLiteral("成功") : QStringLiteral("失败")));
    finish(ok);
}

} // namespace

FolderUrl AccessManager::homeDirectoryURL()
{
    return FolderUrl(homePath());
}

std::optional<FolderUrl> AccessManager::storedHomeURL()
{
    QMutexLocker lock(&state().mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    return storedHomeLocked(*defaults);
}

bool AccessManager::hasHomeAccess()
{
    QMutexLocker lock(&state().mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    return hasHomeAccessLocked(*defaults);
}

void AccessManager::requestHomeAuthorization(Completion completion)
{
    if (hasHomeAccess()) {
        if (completion)
            completion(true);
        return;
    }
    {
        QMutexLocker lock(&state().mutex);
        openDefaults()->remove(Settings::kHomeBookmark);
    }
    askForHome(std::move(completion), QString());
}

namespace {

void askForHome(AccessManager::Completion completion, const QString& wrongChoice)
{
    FolderPickerRequest request;
    request.title = QStringLiteral("授权Sweepora访问个人文件夹");
    request.message =
        wrongChoice.isEmpty()
            ? QStringLiteral("Sweepora需要读取你选择的个人用户文件夹，才能扫描应用缓存。请选择你的用户主目录。")
            : QStringLiteral("需要授权的是你的个人文件夹“%1”，你选择的是“%2”。请重新选择。")
                  .arg(homePath(), wrongChoice);
    request.prompt = QStringLiteral("授权个人文件夹");
    request.directory = homePath();

    FolderPicker* picker = FolderPicker::current();
    if (picker == nullptr) {
        handleHomePanelResult(std::nullopt, completion);
        return;
    }
    picker->pickFolder(request, [completion = std::move(completion)](std::optional<FolderUrl> chosen) {
        handleHomePanelResult(chosen, completion);
    });
}

} // namespace

bool AccessManager::isWithin(const FolderUrl& container, const FolderUrl& item)
{
    return Sandbox::isWithin(container.path(), item.path());
}

bool AccessManager::isCoveredByActiveScope(const FolderUrl& url)
{
    QMutexLocker lock(&state().mutex);
    return coveredLocked(url);
}

bool AccessManager::restoreFolderGrant(const FolderUrl& covering)
{
    QMutexLocker lock(&state().mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    return restoreFolderGrantLocked(*defaults, covering);
}

bool AccessManager::persistFolderGrant(const FolderUrl& url)
{
    QMutexLocker lock(&state().mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    return persistFolderGrantLocked(*defaults, url);
}

bool AccessManager::grantFolder(const FolderUrl& url)
{
    if (url.isEmpty() || isHomePath(url.path()))
        return false;
    QMutexLocker lock(&state().mutex);
    const std::optional<QByteArray> data = Bookmark::create(url);
    if (!data || !Bookmark::startAccessing(url))
        return false;
    State& s = state();
    if (const auto earlier = s.activeFolders.constFind(url.path()); earlier != s.activeFolders.cend())
        Bookmark::stopAccessing(*earlier);
    s.activeFolders.insert(url.path(), url);

    const std::unique_ptr<QSettings> defaults = openDefaults();
    FolderGrants folders = readFolders(*defaults);
    folders.insert(url.path(), *data);
    writeFolders(*defaults, folders);
    return true;
}

bool AccessManager::beginAccess(const FolderUrl& url)
{
    if (url.isEmpty())
        return false;
    QMutexLocker lock(&state().mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    if (coveredLocked(url) || restoreFolderGrantLocked(*defaults, url))
        return false;
    if (const std::optional<FolderUrl> home = storedHomeLocked(*defaults);
        home && Sandbox::isWithin(home->path(), url.path())) {
        hasHomeAccessLocked(*defaults); // opens the home scope when it can
        return false;
    }
    if (!Bookmark::startAccessing(url))
        return false; // the caller goes on and finds nothing readable
    persistFolderGrantLocked(*defaults, url);
    return true;
}

void AccessManager::endAccess(const FolderUrl& url)
{
    QMutexLocker lock(&state().mutex);
    if (!coveredLocked(url))
        Bookmark::stopAccessing(url);
}

bool AccessManager::canAccess(const FolderUrl& url)
{
    if (url.isEmpty())
        return false;
    QMutexLocker lock(&state().mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    if (coveredLocked(url) || restoreFolderGrantLocked(*defaults, url))
        return true;
    if (const std::optional<FolderUrl> home = storedHomeLocked(*defaults);
        home && Sandbox::isWithin(home->path(), url.path()))
        return hasHomeAccessLocked(*defaults);
    return false;
}

void AccessManager::restorePersistedGrants()
{
    QStringList restored;
    {
        QMutexLocker lock(&state().mutex);
        State& s = state();
        const std::unique_ptr<QSettings> defaults = openDefaults();
        bool changed = false;
        const FolderGrants folders = readFolders(*defaults, &changed);
        FolderGrants kept = folders;
        for (auto it = folders.cbegin(); it != folders.cend(); ++it) {
            const BookmarkResolution resolved = Bookmark::resolve(it.value());
            if (!resolved.url) {
                kept.remove(it.key());
                changed = true;
                continue;
            }
            const QString path = resolved.url->path();
            QByteArray data = it.value();
            bool refreshed = false;
            if (resolved.stale) {
                if (const std::optional<QByteArray> fresh = Bookmark::create(*resolved.url)) {
                    data = *fresh;
                    refreshed = true;
                }
            }
            if (it.key() != path || refreshed) {
                kept.remove(it.key());
                kept.insert(path, data);
                changed = true;
            }
            // A grant that cannot be opened now keeps its stored data for a later try.
            if (!s.activeFolders.contains(path) && !Bookmark::startAccessing(*resolved.url))
                continue;
            s.activeFolders.insert(path, *resolved.url);
            restored.append(path);
        }
        if (changed)
            writeFolders(*defaults, kept);
    }
    if (restored.isEmpty())
        return;
    restored.sort();
    restored.removeDuplicates();
    log(QStringLiteral("已恢复持久化授权：") + restored.join(QStringLiteral("、")));
}

QString AccessManager::legacyBookmarkKey(const QString& rulePath)
{
    QString escaped = rulePath;
    escaped.replace(QLatin1Char('%'), QLatin1String("%25"))
        .replace(QLatin1Char('/'), QLatin1String("%2F"))
        .replace(QLatin1Char('\\'), QLatin1String("%5C"));
    return Settings::kLegacyBookmarkPrefix + escaped;
}

std::optional<FolderUrl> AccessManager::legacyBookmarkURL(const QString& rulePath)
{
    const QString key = legacyBookmarkKey(rulePath);
    // The rule paths "home" and "folders" would name the current grants, not an older one.
    if (rulePath.isEmpty() || key == Settings::kHomeBookmark || key == Settings::kFolderBookmarks)
        return std::nullopt;
    QMutexLocker lock(&state().mutex);
    const std::unique_ptr<QSettings> defaults = openDefaults();
    const std::optional<QByteArray> data = readData(*defaults, key);
    if (!data)
        return std::nullopt;
    const BookmarkResolution resolved = Bookmark::resolve(*data);
    if (!resolved.url || resolved.url->path() == homePath())
        return std::nullopt; // a home grant under a per-path key is ignored
    if (resolved.stale) {
        if (const std::optional<QByteArray> fresh = Bookmark::create(*resolved.url)) {
            defaults->setValue(key, *fresh);
            persistFolderGrantLocked(*defaults, *resolved.url);
        }
    }
    return resolved.url;
}

LaunchReport AccessManager::launchCheck()
{
    restorePersistedGrants();
    LaunchReport report;
    report.valid = hasHomeAccess();
    {
        QMutexLocker lock(&state().mutex);
        if (state().activeHome) {
            report.folderPath = state().activeHome->path();
        } else {
            const std::unique_ptr<QSettings> defaults = openDefaults();
            if (const std::optional<FolderUrl> stored = storedHomeLocked(*defaults))
                report.folderPath = stored->path();
        }
    }
    log(QStringLiteral("系统真实个人文件夹：") + homePath());
    log(QStringLiteral("App 启动，授权文件夹：") +
        (report.folderPath.isEmpty() ? QStringLiteral("无") : report.folderPath) + QStringLiteral("，授权状态：") +
        (report.valid ? QStringLiteral("有效") : QStringLiteral("无效")));
    return report;
}

void AccessManager::resetForTesting()
{
    QMutexLocker lock(&state().mutex);
    State& s = state();
    if (s.activeHome)
        Bookmark::stopAccessing(*s.activeHome);
    for (const FolderUrl& folder : std::as_const(s.activeFolders))
        Bookmark::stopAccessing(folder);
    s.activeHome.reset();
    s.activeFolders.clear();
}

} // namespace Sweepora::Core
