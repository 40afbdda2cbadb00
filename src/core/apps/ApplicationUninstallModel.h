#pragma once

#include "core/apps/ApplicationUninstallEngine.h"
#include "core/trash/CleanRun.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace Sweepora::Core {

// The uninstaller behind the 卸载应用 page: lists the installed applications with the items they
// left in the Library, and moves one application with its items to the Trash, asking first for
// any folder it cannot reach. Owned by its page. Published state changes on the GUI thread
// only; listing and moving run as one job each.
class ApplicationUninstallModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isScanning READ isScanning NOTIFY isScanningChanged)
    Q_PROPERTY(bool isUninstalling READ isUninstalling NOTIFY isUninstallingChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    Q_PROPERTY(QString manualRemovalPath READ manualRemovalPath NOTIFY manualRemovalPathChanged)

public:
    explicit ApplicationUninstallModel(QObject* parent = nullptr);
    ~ApplicationUninstallModel() override;

    const QList<UninstallApplication>& applications() const { return m_applications; }
    bool isScanning() const { return m_isScanning; }
    bool isUninstalling() const { return m_isUninstalling; }
    const QString& message() const { return m_message; }
    // The running uninstall's progress and cancel, then the undo of the last one.
    CleanRun& cleanRun() { return m_run; }
    // The bundle whose move to the Trash failed, for the user to remove by hand; empty when none.
    const QString& manualRemovalPath() const { return m_manualRemovalPath; }
    void clearManualRemoval();

    // Lists the applications; `completionMessage`, when given, replaces the summary at the end.
    void scan(const std::optional<QString>& completionMessage = std::nullopt);
    void uninstall(const UninstallApplication& application);

    // The flatpak command on PATH, empty when there is none.
    static QString flatpakProgram();
    // What the confirmation says will happen to each part, one line each; `flatpakProgram` is
    // the flatpak command found on PATH, empty when there is none.
    static QString confirmationText(const UninstallApplication& application, const QString& flatpakProgram);

signals:
    void applicationsChanged();
    void isScanningChanged();
    void isUninstallingChanged();
    void messageChanged();
    void manualRemovalPathChanged();
    void scanFinished();
    void uninstallFinished();

private:
    void requestFolderAccess(const QList<TrashItem>& work, qsizetype index, QSet<QString> declined);
    void moveToTrash(const QList<TrashItem>& work, const QSet<QString>& declined);
    void setScanning(bool scanning);
    void setUninstalling(bool uninstalling);
    void setMessage(const QString& message);

    QList<UninstallApplication> m_applications;
    bool m_isScanning = false;
    bool m_isUninstalling = false;
    QString m_message = QStringLiteral("扫描已安装应用及关联文件");
    QString m_manualRemovalPath;
    std::optional<QString> m_completionMessage;
    QString m_pendingBundle; // the bundle of the uninstall in flight
    UninstallApplication m_pendingApplication;

    QFutureWatcher<QList<UninstallApplication>> m_scanWatcher;
    QFutureWatcher<ApplicationUninstallEngine::Outcome> m_uninstallWatcher;
    CleanRun m_run;
};

} // namespace Sweepora::Core
