#pragma once

#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/trash/Trash.h"
#include "core/trash/TrashGateway.h"
#include "core/util/NameOrder.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <cerrno>
#include <memory>
#include <optional>

namespace Sweepora::Test {

// Items as a scan would have found them just now (reached from the open scopes, no links).
inline QList<Core::TrashItem> foundItems(const QStringList& paths)
{
    QList<Core::TrashItem> items;
    for (const QString& path : paths)
        items.append({path, Core::ItemIdentity::lookUp(path)});
    return items;
}
inline QList<Core::ItemIdentity> identitiesOf(const QStringList& paths)
{
    QList<Core::ItemIdentity> identities;
    for (const QString& path : paths)
        identities.append(Core::ItemIdentity::lookUp(path));
    return identities;
}

// Hands `path` to `trash` the way the gateway does, without its checks: for tests of the
// platform Trash itself. An item outside the open scopes fails with EPERM.
inline Core::Trash::Result trashPath(Core::Trash& trash, const QString& path)
{
    const Core::Sandbox::Parent parent = Core::Sandbox::openParent(path, Core::Sandbox::Access::modify);
    if (!parent.parent.valid())
        return {false, qt_error_string(parent.error), {}, parent.error};
    return trash.trashItem({parent.parent.get(), parent.name, path, parent.realPath});
}
inline Core::Trash::Result trashPath(Core::Trash&& trash, const QString& path)
{
    return trashPath(trash, path);
}

// Wraps a Trash (the platform's own by default) and fails chosen paths with a chosen error,
// leaving those items where they are; every other path goes through. Install it with
// Core::Trash::setCurrent(). Thread-safe: cleans call it from pool threads.
class FailingTrash : public Core::Trash
{
public:
    static inline const QString kDefaultError = QStringLiteral("没有权限移动此项目");

    explicit FailingTrash(std::shared_ptr<Core::Trash> inner = Core::Trash::platform()) : m_inner(std::move(inner)) {}

    void failPath(const QString& path, const QString& error = kDefaultError, int errorCode = EACCES)
    {
        QMutexLocker lock(&m_mutex);
        m_failures.insert(Core::standardizedPath(path), Result{false, error, {}, errorCode});
    }
    void failEverything(const QString& error = kDefaultError, int errorCode = EACCES)
    {
        QMutexLocker lock(&m_mutex);
        m_failEverything = Result{false, error, {}, errorCode};
    }

    Result trashItem(const Item& item) override
    {
        std::optional<Result> planned;
        {
            QMutexLocker lock(&m_mutex);
            m_attempted.append(item.path);
            const auto it = m_failures.constFind(Core::standardizedPath(item.path));
            if (it != m_failures.constEnd())
                planned = it.value();
            else if (m_failEverything)
                planned = m_failEverything;
        }
        return planned ? *planned : m_inner->trashItem(item);
    }

    // Every path asked for, in order.
    QStringList attempted() const
    {
        QMutexLocker lock(&m_mutex);
        return m_attempted;
    }

private:
    mutable QMutex m_mutex;
    std::shared_ptr<Core::Trash> m_inner;
    QHash<QString, Result> m_failures;
    std::optional<Result> m_failEverything;
    QStringList m_attempted;
};

// Records every request. Without a wrapped Trash it touches nothing and reports success (the
// trashed path is the item's name in the layout's Trash folder); with one it passes through.
class RecordingTrash : public Core::Trash
{
public:
    explicit RecordingTrash(std::shared_ptr<Core::Trash> inner = nullptr) : m_inner(std::move(inner)) {}

    Result trashItem(const Item& item) override
    {
        const QString fake = Core::PlatformLayout::current().trashFolder + u'/' + Core::lastPathComponent(item.path);
        const Result result = m_inner ? m_inner->trashItem(item) : Result{true, {}, fake, 0};
        QMutexLocker lock(&m_mutex);
        m_requests.append(item.path);
        return result;
    }

    QStringList requests() const
    {
        QMutexLocker lock(&m_mutex);
        return m_requests;
    }

private:
    mutable QMutex m_mutex;
    std::shared_ptr<Core::Trash> m_inner;
    QStringList m_requests;
};

} // namespace Sweepora::Test
