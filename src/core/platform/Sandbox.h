#pragma once

#include <QString>
#include <QStringList>

namespace Sweepora::Core {

// The sandbox rule: Sweepora reads and lists only inside an open scope (a folder the user
// granted) or inside the read-only application roots, and moves to the Trash only inside an
// open scope. The walker and the Trash layer ask here; anything else is found empty or fails
// with a permission error, as a real sandbox would answer.
class Sandbox
{
public:
    // Scopes are counted: each open is matched by one close.
    static void openScope(const QString& folder);
    static void closeScope(const QString& folder);
    static void setReadOnlyRoots(const QStringList& roots);

    static bool canRead(const QString& path);
    static bool canModify(const QString& path);

    // True when `item` is `container` or lies below it ("/a/bc" is not within "/a/b").
    static bool isWithin(const QString& container, const QString& item);

    // Closes every scope and forgets the read-only roots.
    static void reset();
};

} // namespace Sweepora::Core
