#include "core/platform/Notifications.h"

#include "core/platform/Context.h"

namespace Sweepora::Core {

Notifications& Notifications::instance()
{
    return Context::current().notifications();
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
