#pragma once

#include "trash/Trash.h"
#include "trash/TrashGateway.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QStringList>

#include <cerrno>
#include <memory>
#include <optional>

namespace Sweepora::Test {

// Items as a scan would have found them just now (reached from the open scopes, no links).
QList<Core::TrashItem> foundItems(const QStringList& paths);
QList<Core::ItemIdentity> identitiesOf(const QStringList& paths);

// Hands `path` to `trash` the way the gateway does, without its checks: for tests of the
// platform Trash itself. An item outside the open scopes fails with EPERM.
Core::Trash::Result trashPath(Core::Trash& trash, const QString& path);
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

    explicit FailingTrash(std::shared_ptr<Core::Trash> inner = Core::Trash::platform());

    void failPath(const QString& path, const QString& error = kDefaultError, int errorCode = EACCES);
    void failEverything(const QString& error = kDefaultError, int errorCode = EACCES);

    Result trashItem(const Item& item) override;

    QStringList attempted() const; // every path asked for, in order

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
    explicit RecordingTrash(std::shared_ptr<Core::Trash> inner = nullptr);

    Result trashItem(const Item& item) override;

    QStringList requests() const;

private:
    mutable QMutex m_mutex;
    std::shared_ptr<Core::Trash> m_inner;
    QStringList m_requests;
};

} // namespace Sweepora::Test
