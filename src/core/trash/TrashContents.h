#pragma once

#include <QList>
#include <QString>

namespace Sweepora::Core {

// What the Trash folder holds, for the Trash summary: its top-level entries (hidden ones
// included) and the total allocated size of every regular file below it. Symbolic links are
// never followed; an unreadable folder inside counts 0 bytes and does not fail the listing.
struct TrashContents
{
    struct Item
    {
        QString path;
        qint64 allocatedSize = 0; // of the regular files in it, or of itself when it is one
    };

    bool readable = false;
    int errorCode = 0; // why the folder could not be listed; ENOENT when there is no Trash folder
    QString error;     // a localized description of that
    QList<Item> items; // sorted by name
    qint64 totalSize = 0;

    int itemCount() const { return static_cast<int>(items.size()); }
    // The system refused to let us read the folder (as opposed to its not being there).
    bool isPermissionError() const;

    // Lists `folder`; empty means the platform layout's Trash folder.
    static TrashContents list(const QString& folder = {});
};

} // namespace Sweepora::Core
