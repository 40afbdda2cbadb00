#include "ui/components/RevealInFileManager.h"

#include "core/util/NameOrder.h"

#include "ui/components/UrlOpener.h"

#include <QUrl>

#if defined(Q_OS_MACOS)
#include <QProcess>
#elif defined(SWEEPORA_HAVE_DBUS)
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#endif

namespace Sweepora::Ui {

bool revealInFileManager(const QString& path)
{
    if (path.isEmpty())
        return false;
#if defined(Q_OS_MACOS)
    // "open -R" selects the item in the Finder.
    if (QProcess::startDetached(QStringLiteral("/usr/bin/open"), {QStringLiteral("-R"), path}))
        return true;
#elif defined(SWEEPORA_HAVE_DBUS)
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    const QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnectionInterface* names = bus.isConnected() ? bus.interface() : nullptr;
    // Only when some file manager serves the name (running or startable on demand); the call
    // itself is sent without waiting for its reply.
    if (names != nullptr &&
        (names->isServiceRegistered(service).value() || names->activatableServiceNames().value().contains(service))) {
        if (bus.send(call))
            return true;
    }
#endif
    return openUrl(QUrl::fromLocalFile(Core::parentPath(path)));
}

} // namespace Sweepora::Ui
