#pragma once

#include <QString>
#include <memory>

namespace Sweepora::Core {

// Moving to the Trash is the only way anything leaves its place in Sweepora. The process-wide
// instance is the platform's Trash; tests replace it to inject failures.
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

    virtual ~Trash() = default;

    // Moves the file, folder or symbolic link at `path` (never its target) to the Trash.
    // On failure the item is left where it was. Paths whose names are not UTF-8 are passed as
    // pathFromBytes (platform/PathBytes.h) makes them.
    virtual Result trashItem(const QString& path) = 0;

    static Trash& current();
    // Replaces the process-wide instance; null restores the platform's Trash.
    static void setCurrent(std::shared_ptr<Trash> trash);
    // A new instance of the platform's own Trash, whatever `current()` is (for wrappers in tests).
    static std::shared_ptr<Trash> platform();
};

} // namespace Sweepora::Core
