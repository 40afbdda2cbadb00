#include "core/apps/ApplicationUninstallModel.h"

#include "core/access/AccessManager.h"
#include "core/platform/FolderPicker.h"
#include "core/platform/Jobs.h"
#include "core/platform/Notifications.h"
#include "core/platform/PlatformLayout.h"
#include "core/sections/SectionTexts.h"
#include "core/util/NameOrder.h"
#include "core/util/ViewModelSupport.h"

#include <QPointer>
#include <QStandardPaths>

namespace Sweepora::Core {

ApplicationUninstallModel::ApplicationUninstallModel(QObject* parent) : QObject(parent)
{
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] {
        m_applications = m_scanWatcher.future().result();
        emit applicationsChanged();
        setScanning(false);
        const std::optional<QString> completion = std::exchange(m_completionMessage, std::nullopt);
        setMessage(completion ? *completion : SectionTexts::applicationsFound(m_applications.size()));
        emit scanFinished();
    });
    connect(&m_uninstallWatcher, &QFutureWatcherBase::finished, this, [this] {
        const ApplicationUninstallEngine::Outcome outcome = m_uninstallWatcher.future().result();
        m_run.finish(outcome.message);
        setUninstalling(false);
        if (outcome.moved > 0 || outcome.bundleMoved)
            Notifications::instance().postTrashContentsDidChange();
        const QString bundle = std::exchange(m_pendingBundle, QString());
        const bool movesItself = m_pendingApplication.removal == UninstallRemoval::trash;
        scan(outcome.message);
        // Only an application that was to go to the Trash is left for the user to remove by hand.
        if (movesItself && !outcome.bundleMoved && bundle != m_manualRemovalPath) {
            m_manualRemovalPath = bundle;
            emit manualRemovalPathChanged();
        }
        emit uninstallFinished();
    });
}

ApplicationUninstallModel::~ApplicationUninstallModel() = default;

QString ApplicationUninstallModel::flatpakProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("flatpak"));
}

QString ApplicationUninstallModel::confirmationText(const UninstallApplication& application,
                                                    const QString& flatpakProgram)
{
    QStringList lines;
    switch (application.removal) {
    case UninstallRemoval::trash:
        lines.append(QStringLiteral("应用本体（%1）将移到废纸篓。").arg(application.path));
        break;
    case UninstallRemoval::flatpak:
        if (flatpakProgram.isEmpty())
            lines.append(QStringLiteral("未找到 flatpak 命令：应用本体不会被卸载，请安装 flatpak 后再试。"));
        else
            lines.append(QStringLiteral("应用本体将由 Flatpak 卸载（flatpak %1），之后可重新安装。")
                             .arg(ApplicationUninstallEngine::flatpakArguments(application).join(QLatin1Char(' '))));
        break;
    case UninstallRemoval::manual:
        if (application.removalCommand.isEmpty())
            lines.append(
                QStringLiteral("应用本体由系统安装，卸载需要管理员权限，Sweepora 不会移除它；请用软件包管理器卸载。"));
        else
            lines.append(QStringLiteral("应用本体由系统安装，卸载需要管理员权限，Sweepora 不会移除它；可在终端运行：%1")
                             .arg(application.removalCommand));
        break;
    }
    if (application.related.isEmpty())
        lines.append(QStringLiteral("没有关联文件需要处理。"));
    else
        lines.append(QStringLiteral("%1 个关联项目将移到废纸篓，可在清理记录中恢复。").arg(application.related.size()));
    return lines.join(QLatin1Char('\n'));
}

void ApplicationUninstallModel::clearManualRemoval()
{
    if (m_manualRemovalPath.isEmpty())
        return;
    m_manualRemovalPath.clear();
    emit manualRemovalPathChanged();
}

void ApplicationUninstallModel::scan(const std::optional<QString>& completionMessage)
{
    if (m_isScanning)
        return;
    AccessManager::requestHomeAuthorization(
        [self = QPointer<ApplicationUninstallModel>(this), completionMessage](bool granted) {
            if (self.isNull())
                return;
            // The picker may have answered after another scan began.
            if (self->m_isScanning)
                return;
            if (!granted) {
                self->setMessage(QStringLiteral("需要授权个人文件夹才能查找关联文件"));
                return;
            }
            self->m_completionMessage = completionMessage;
            self->setScanning(true);
            self->setMessage(QStringLiteral("正在扫描应用…"));
            const QString home = AccessManager::homeDirectoryURL().path();
            const PlatformLayout layout = PlatformLayout::current();
            self->m_scanWatcher.setFuture(
                runJob([layout, home] { return ApplicationUninstallEngine::listApplicationsFor(layout, home); }));
        });
}

void ApplicationUninstallModel::uninstall(const UninstallApplication& application)
{
    if (m_isUninstalling)
        return;
    setUninstalling(true);
    m_pendingBundle = application.path;
    m_pendingApplication = application;
    requestFolderAccess(ApplicationUninstallEngine::workList(application), 0, {});
}

void ApplicationUninstallModel::requestFolderAccess(const QList<TrashItem>& work, qsizetype index,
                                                    QSet<QString> declined)
{
    for (; index < work.size(); ++index) {
        const QString parent = standardizedPath(parentPath(work[index].path));
        if (declined.contains(parent) || AccessManager::canAccess(FolderUrl(parent)))
            continue;

        setMessage(QStringLiteral("请授权访问 ") + parent + QStringLiteral(" 后继续卸载"));
        FolderPicker* picker = FolderPicker::current();
        auto answered = [self = QPointer<ApplicationUninstallModel>(this), work, index, declined,
                         parent](std::optional<FolderUrl> chosen) mutable {
            if (self.isNull())
                return;
            // Only the folder asked for counts: another folder would not cover these items.
            const bool granted =
                chosen && standardizedPath(chosen->path()) == parent && AccessManager::grantFolder(*chosen);
            if (!granted)
                declined.insert(parent);
            self->requestFolderAccess(work, index + 1, std::move(declined));
        };
        if (picker == nullptr) {
            answered(std::nullopt);
            return;
        }
        FolderPickerRequest request;
        request.title = QStringLiteral("授权卸载应用");
        request.message = QStringLiteral("请选择 ") + parent + QStringLiteral("，以便将应用及关联文件移到废纸篓。");
        request.prompt = QStringLiteral("授权此文件夹");
        request.directory = parent;
        picker->pickFolder(request, std::move(answered));
        return;
    }
    moveToTrash(work, declined);
}

void ApplicationUninstallModel::moveToTrash(const QList<TrashItem>& work, const QSet<QString>& declined)
{
    setMessage(QStringLiteral("正在卸载应用…"));
    const UninstallApplication application = m_pendingApplication;
    const QString flatpak = flatpakProgram();
    m_uninstallWatcher.setFuture(runJob(m_run.wrap(QStringLiteral("apps"), [application, work, declined, flatpak] {
        return ApplicationUninstallEngine::uninstall(application, work, declined, flatpak);
    })));
}

void ApplicationUninstallModel::setScanning(bool scanning)
{
    if (ViewModelSupport::assign(m_isScanning, scanning))
        emit isScanningChanged();
}

void ApplicationUninstallModel::setUninstalling(bool uninstalling)
{
    if (ViewModelSupport::assign(m_isUninstalling, uninstalling))
        emit isUninstallingChanged();
}

void ApplicationUninstallModel::setMessage(const QString& message)
{
    if (ViewModelSupport::assign(m_message, message))
        emit messageChanged();
}

} // namespace Sweepora::Core
