#pragma once

#include "core/fs/WalkEntry.h"

namespace Sweepora::Core {

enum class WalkAction { proceed, skipChildren };

// What a scanner gives the Walker. Threading contract: the walker uses one visitor per walking
// thread and calls each visitor from its own thread only, so a visitor needs no lock as long
// as it touches only its own members. The caller merges the visitors after the walk.
class WalkVisitor
{
public:
    virtual ~WalkVisitor() = default;

    // Every entry below the root (the root itself is not yielded), in no particular order.
    // For a directory, SkipChildren keeps the walk out of it; for other entries the answer
    // does not matter.
    virtual WalkAction visit(const WalkEntry& entry) = 0;

    // After a folder (the root included) was listed to the end. Folders that could not be
    // opened or read, and folders the walk does not enter, are not reported. The folder's
    // entries may already have been visited, and its subfolders may be reported earlier or
    // later, by this visitor or by another thread's.
    virtual void folderListed(const WalkFolder& folder) { Q_UNUSED(folder); }
};

} // namespace Sweepora::Core
