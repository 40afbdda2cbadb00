#include "platform/Sandbox.h"

#include "platform/PlatformLayout.h"

#include <QHash>
#include <QReadLocker>
#include <QReadWriteLock>
#include <QWriteLocker>

namespace Sweepora::Core {
namespace {
QReadWriteLock g_lock;
QHash<QString, int> g_scopes; // standardized folder -> open count
QStringList g_readOnlyRoots;

bool withinAny(const QStringList& containers, const QString& item)
{
    for (const QString& c : containers)
        if (Sandbox::isWithin(c, item))
            return true;
    return false;
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
    QWriteLocker lock(&g_lock);
    ++g_scopes[standardizedPath(folder)];
}

void Sandbox::closeScope(const QString& folder)
{
    QWriteLocker lock(&g_lock);
    const QString key = standardizedPath(folder);
    auto it = g_scopes.find(key);
    if (it != g_scopes.end() && --it.value() <= 0)
        g_scopes.erase(it);
}

void Sandbox::setReadOnlyRoots(const QStringList& roots)
{
    QWriteLocker lock(&g_lock);
    g_readOnlyRoots.clear();
    for (const QString& r : roots)
        g_readOnlyRoots.append(standardizedPath(r));
}

bool Sandbox::canRead(const QString& path)
{
    const QString p = standardizedPath(path);
    QReadLocker lock(&g_lock);
    return withinAny(g_scopes.keys(), p) || withinAny(g_readOnlyRoots, p);
}

bool Sandbox::canModify(const QString& path)
{
    const QString p = standardizedPath(path);
    QReadLocker lock(&g_lock);
    return withinAny(g_scopes.keys(), p);
}

void Sandbox::reset()
{
    QWriteLocker lock(&g_lock);
    g_scopes.clear();
    g_readOnlyRoots.clear();
}

} // namespace Sweepora::Core
