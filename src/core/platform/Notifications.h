#pragma once

#include <QObject>
#include <QString>

namespace Sweepora::Core {

// The notification centre of a context: one signal per named notification. Signals may be
// emitted from any thread; receivers in the GUI thread get them queued.
class Notifications : public QObject
{
    Q_OBJECT
public:
    static inline const QString kAuthorizationDidChange =
        QStringLiteral("sweepora.access-manager.authorization-did-change");
    static inline const QString kTrashContentsDidChange = QStringLiteral("sweepora.trash-contents-did-change");

    Notifications() = default;
    // The installed context's centre.
    static Notifications& instance();

    // Posts the notification of that name; unknown names are ignored.
    void post(const QString& name);
    void postAuthorizationDidChange() { post(kAuthorizationDidChange); }
    void postTrashContentsDidChange() { post(kTrashContentsDidChange); }

signals:
    void authorizationDidChange();
    void trashContentsDidChange();
    void posted(const QString& name);
};

} // namespace Sweepora::Core
