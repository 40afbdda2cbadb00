#include "core/platform/Sandbox.h"

#include "core/fs/ResolveBeneath.h"
#include "core/platform/Context.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"

#include <QReadLocker>
#include <QWriteLocker>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include <fcntl.h>

namespace Sweepora::Core {
namespace {

using Scope = SandboxScopes::Scope;

SandboxScopes& scopes()
{
    return Context::current().sandbox();
}

QString realPathOf(const QString& path)
{
    char* resolved = ::realpath(bytesFromPath(path).constData(), nullptr);
    if (resolved == nullptr)
        return path;
    const QString real = pathFromBytes(QByteArray(resolved));
    std::free(resolved);
    return real;
}

Scope makeScope(const QString& folder, bool writable)
{
    Scope s;
    s.path = standardizedPath(folder);
    s.realPath = realPathOf(s.path);
    s.root =
        std::make_shared<UniqueFd>(::open(bytesFromPath(s.realPath).constData(), kPathOnly | O_DIRECTORY | O_CLOEXEC));
    s.writable = writable;
    s.count = 1;
    return s;
}

// The innermost scope that covers `path` with the access asked for, and the rest of the path
// below it ("" for the scope's own folder).
struct Match
{
    std::shared_ptr<UniqueFd> root;
    QString realPath;
    QString relative;
};

bool matchPrefix(const QString& prefix, const QString& path, QString* relative)
{
    if (!Sandbox::isWithin(prefix, path))
        return false;
    if (path.size() == prefix.size())
        relative->clear();
    else
        *relative = path.mid(prefix == QLatin1String("/") ? 1 : prefix.size() + 1);
    return true;
}

bool findScope(const QList<Scope>& scopes, const QString& path, Sandbox::Access access, Match* match)
{
    const Scope* best = nullptr;
    qsizetype bestLength = -1;
    QString relative;
    for (const Scope& s : scopes) {
        if (access == Sandbox::Access::modify && !s.writable)
            continue;
        for (const QString* prefix : {&s.path, &s.realPath}) {
            QString rest;
            if (matchPrefix(*prefix, path, &rest) && prefix->size() > bestLength) {
                best = &s;
                bestLength = prefix->size();
                relative = rest;
            }
        }
    }
    if (best == nullptr)
        return false;
    *match = {best->root, best->realPath, relative};
    return true;
}

bool covered(const QString& path, Sandbox::Access access)
{
    Match m;
    SandboxScopes& all = scopes();
    QReadLocker lock(&all.lock);
    return findScope(all.scopes, standardizedPath(path), access, &m);
}

} // namespace

bool Sandbox::isWithin(const QString& container, const QString& item)
{
    if (container.isEmpty() || item.isEmpty())
        return false;
    if (item == container || container == QLatin1String("/"))
        return true;
    return item.size() > container.size() && item.startsWith(container) &&
           item.at(container.size()) == QLatin1Char('/');
}

void Sandbox::openScope(const QString& folder)
{
    const QString key = standardizedPath(folder);
    SandboxScopes& all = scopes();
    {
        QWriteLocker lock(&all.lock);
        for (Scope& s : all.scopes) {
            if (s.writable && s.path == key) {
                ++s.count;
                return;
            }
        }
    }
    Scope scope = makeScope(key, true); // realpath and open outside the lock
    QWriteLocker lock(&all.lock);
    all.scopes.prepend(std::move(scope));
}

void Sandbox::closeScope(const QString& folder)
{
    const QString key = standardizedPath(folder);
    SandboxScopes& all = scopes();
    QWriteLocker lock(&all.lock);
    for (qsizetype i = 0; i < all.scopes.size(); ++i) {
        if (all.scopes[i].writable && all.scopes[i].path == key) {
            if (--all.scopes[i].count <= 0)
                all.scopes.removeAt(i);
            return;
        }
    }
}

void Sandbox::setReadOnlyRoots(const QStringList& roots)
{
    QList<Scope> made;
    for (const QString& r : roots)
        made.append(makeScope(r, false));
    SandboxScopes& all = scopes();
    QWriteLocker lock(&all.lock);
    all.scopes.removeIf([](const Scope& s) { return !s.writable; });
    all.scopes.append(made);
}

bool Sandbox::canRead(const QString& path)
{
    return covered(path, Access::read);
}

bool Sandbox::canModify(const QString& path)
{
    return covered(path, Access::modify);
}

UniqueFd Sandbox::openFolder(const QString& path, Access access, int flags)
{
    Match m;
    {
        SandboxScopes& all = scopes();
        QReadLocker lock(&all.lock);
        if (path.isEmpty() || !findScope(all.scopes, standardizedPath(path), access, &m)) {
            errno = EPERM;
            return {};
        }
    }
    if (!m.root->valid()) {
        errno = ENOENT;
        return {};
    }
    const int openFlags = flags != 0 ? flags : O_RDONLY | O_DIRECTORY;
    return UniqueFd(openBeneath(m.root->get(), bytesFromPath(m.relative).toStdString(), openFlags | O_DIRECTORY));
}

Sandbox::Parent Sandbox::openParent(const QString& path, Access access)
{
    Parent result;
    const QString standardized = standardizedPath(path);
    Match m;
    {
        SandboxScopes& all = scopes();
        QReadLocker lock(&all.lock);
        if (standardized.isEmpty() || !findScope(all.scopes, standardized, access, &m)) {
            result.error = EPERM;
            return result;
        }
    }
    // A scope's own folder has no parent inside the scope: it cannot be moved.
    if (m.relative.isEmpty()) {
        result.error = EPERM;
        return result;
    }
    if (!m.root->valid()) {
        result.error = ENOENT;
        return result;
    }
    const QByteArray relative = bytesFromPath(m.relative);
    const qsizetype slash = relative.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : relative.left(slash);
    result.name = relative.mid(slash + 1);
    result.parent = UniqueFd(openBeneath(m.root->get(), folder.toStdString(), kPathOnly | O_DIRECTORY));
    if (!result.parent.valid()) {
        result.error = errno;
        return result;
    }
    const QByteArray realRoot = bytesFromPath(m.realPath);
    result.realPath = (realRoot == "/" ? QByteArray() : realRoot) + '/' + relative;
    return result;
}

void Sandbox::reset()
{
    SandboxScopes& all = scopes();
    QWriteLocker lock(&all.lock);
    all.scopes.clear();
}

} // namespace Sweepora::Core
