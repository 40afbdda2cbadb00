#pragma once

#include "core/fs/UniqueFd.h"

#include <QByteArray>
#include <QList>
#include <QReadWriteLock>
#include <QString>
#include <QStringList>

#include <memory>

namespace Sweepora::Core {

// The open scopes and read-only roots of one context (see Context::sandbox()).
struct SandboxScopes
{
    // A folder opened once on its real path. Paths are matched against both the path it was
    // granted under and the real one, so a home reached through a link works either way.
    struct Scope
    {
        QString path;
        QString realPath;
        std::shared_ptr<UniqueFd> root; // invalid when the folder could not be opened
        bool writable = false;
        int count = 0;
    };

    QReadWriteLock lock;
    QList<Scope> scopes; // open scopes, then read-only roots
};

// The sandbox rule: Sweepora reads and lists only inside an open scope (a folder the user
// granted) or inside the read-only application roots, and moves to the Trash only inside an
// open scope. A scope is a descriptor of its folder's real path, taken once when it opens;
// every folder below it is reached from that descriptor without following a link in any
// component, so a link inside a granted folder never leads out of it. Anything else is found
// empty or fails with a permission error, as a real sandbox would answer.
class Sandbox
{
public:
    enum class Access { read, modify };

    // Scopes are counted: each open is matched by one close.
    static void openScope(const QString& folder);
    static void closeScope(const QString& folder);
    static void setReadOnlyRoots(const QStringList& roots);

    static bool canRead(const QString& path);
    static bool canModify(const QString& path);

    // True when `item` is `container` or lies below it ("/a/bc" is not within "/a/b").
    static bool isWithin(const QString& container, const QString& item);

    // Opens a folder inside a scope that grants `access`, resolved from the scope's descriptor
    // without following links (O_RDONLY | O_DIRECTORY, or `flags` when given). -1 with errno
    // set when it cannot: EPERM outside every scope, ELOOP for a link on the way.
    static UniqueFd openFolder(const QString& path, Access access, int flags = 0);

    // The folder that holds `path`, opened as openFolder() does but with O_PATH, and the
    // item's name in it. `realPath` is where the item really lies: the scope's real path and
    // the rest of `path`. On failure `parent` is invalid and `error` holds the errno.
    struct Parent
    {
        UniqueFd parent;
        QByteArray name;
        QByteArray realPath;
        int error = 0;
    };
    static Parent openParent(const QString& path, Access access);

    // Closes every scope and forgets the read-only roots.
    static void reset();
};

} // namespace Sweepora::Core
