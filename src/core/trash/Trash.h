#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

namespace Sweepora::Core {

// The platform's Trash, below the gateway (TrashGateway.h): the gateway resolves and checks
// each item, then hands it here already opened. Nothing else calls this layer. The installed
// context's instance is the platform's Trash; tests replace it to inject failures.
class Trash
{
public:
    struct Result
    {
        bool ok = false;
        QString error;       // a localized description of the failure, shown after "，" in the log
        QString trashedPath; // where the item now lies, when ok
        int errorCode = 0;   // the errno behind a failure (EACCES, ENOENT, ENOSPC, …), 0 when none applies
    };

    // One item, as the gateway resolved it: the folder that holds it, opened without following
    // a link, and its name there.
    struct Item
    {
        int parentFd = -1;
        QByteArray name;
        QString path;        // as the scan listed it (names that are not UTF-8 as pathFromBytes makes them)
        QByteArray realPath; // where it really lies, for the Trash's record of its origin
    };

    virtual ~Trash() = default;

    // Moves the file, folder or symbolic link `item.name` of `item.parentFd` (never a link's
    // target) to the Trash. On failure the item is left where it was.
    virtual Result trashItem(const Item& item) = 0;
    // Makes what the moves since the last call wrote durable. The gateway calls it once per
    // chunk of moves: syncing each record by itself cost more than the move.
    virtual void settle() {}

    static Trash& current();
    // Replaces the installed context's instance; null restores the platform's Trash.
    static void setCurrent(std::shared_ptr<Trash> trash);
    // A new instance of the platform's own Trash, whatever `current()` is (for wrappers in tests).
    static std::shared_ptr<Trash> platform();
};

} // namespace Sweepora::Core
