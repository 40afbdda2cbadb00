#include "platform/Notifications.h"

namespace Sweepora::Core {

Notifications& Notifications::instance()
{
    static Notifications* center = new Notifications; // lives as long as the process
    return *center;
}

void Notifications::post(const QString& name)
{
    if (name == kAuthorizationDidChange)
        emit authorizationDidChange();
    else if (name == kTrashContentsDidChange)
        emit trashContentsDidChange();
    else
        return;
    emit posted(name);
}

} // namespace Sweepora::Core
