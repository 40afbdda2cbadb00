// Asking the user for the home folder, and the start-up check of the grants.
#include "core/access/FolderAccess.h"

#include "core/platform/Bookmark.h"
#include "core/platform/Context.h"
#include "core/platform/FolderPicker.h"
#include "core/platform/Notifications.h"
#include "core/platform/Settings.h"

#include <QMutexLocker>
#include <QSettings>

namespace Sweepora::Core {

void FolderAccess::requestHomeAuthorization(Completion completion)
{
    if (hasHomeAccess()) {
        if (completion)
            completion(true);
        return;
    }
    {
        QMutexLocker lock(&m_mutex);
        openDefaults()->remove(Settings::kHomeBookmark);
    }
    askForHome(std::move(completion), QString());
}

void FolderAccess::askForHome(Completion completion, const QString& wrongChoice)
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

    FolderPicker* picker = m_context.folderPicker();
    if (picker == nullptr) {
        handleHomePanelResult(std::nullopt, completion);
        return;
    }
    // The picker belongs to the same context as this object, so it cannot answer after it.
    picker->pickFolder(request, [this, completion = std::move(completion)](std::optional<FolderUrl> chosen) {
        handleHomePanelResult(chosen, completion);
    });
}

void FolderAccess::handleHomePanelResult(const std::optional<FolderUrl>& chosen, const Completion& completion)
{
    const auto log = [this](const QString& text) { m_context.logLine(QStringLiteral("[AccessManager] ") + text); };
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
        QMutexLocker lock(&m_mutex);
        const std::unique_ptr<QSettings> defaults = openDefaults();
        if (const std::optional<QByteArray> data = Bookmark::create(home)) {
            defaults->setValue(Settings::kHomeBookmark, *data);
            ok = hasHomeAccessLocked(*defaults);
        }
    }
    if (ok)
        m_context.notifications().postAuthorizationDidChange();
    log(QStringLiteral("授权完成，文件夹：") + path + QStringLiteral("，书签保存：") +
        (ok ? QStringLiteral("成功") : QStringLiteral("失败")));
    finish(ok);
}

LaunchReport FolderAccess::launchCheck()
{
    restorePersistedGrants();
    LaunchReport report;
    report.valid = hasHomeAccess();
    {
        QMutexLocker lock(&m_mutex);
        if (m_activeHome) {
            report.folderPath = m_activeHome->path();
        } else {
            const std::unique_ptr<QSettings> defaults = openDefaults();
            if (const std::optional<FolderUrl> stored = storedHomeLocked(*defaults))
                report.folderPath = stored->path();
        }
    }
    const auto log = [this](const QString& text) { m_context.logLine(QStringLiteral("[AccessManager] ") + text); };
    log(QStringLiteral("系统真实个人文件夹：") + homePath());
    log(QStringLiteral("App 启动，授权文件夹：") +
        (report.folderPath.isEmpty() ? QStringLiteral("无") : report.folderPath) + QStringLiteral("，授权状态：") +
        (report.valid ? QStringLiteral("有效") : QStringLiteral("无效")));
    return report;
}

} // namespace Sweepora::Core
