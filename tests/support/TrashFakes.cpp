#include "support/TrashFakes.h"

#include "platform/PlatformLayout.h"
#include "platform/Sandbox.h"
#include "util/NameOrder.h"

#include <QMutexLocker>

namespace Sweepora::Test {

using Core::standardizedPath;

QList<Core::TrashItem> foundItems(const QStringList& paths)
{
    QList<Core::TrashItem> items;
    for (const QString& path : paths)
        items.append({path, Core::ItemIdentity::lookUp(path)});
    return items;
}

QList<Core::ItemIdentity> identitiesOf(const QStringList& paths)
{
    QList<Core::ItemIdentity> identities;
    for (const QString& path : paths)
        identities.append(Core::ItemIdentity::lookUp(path));
    return identities;
}

Core::Trash::Result trashPath(Core::Trash& trash, const QString& path)
{
    const Core::Sandbox::Parent parent = Core::Sandbox::openParent(path, Core::Sandbox::Access::modify);
    if (!parent.parent.valid())
        return {false, qt_error_string(parent.error), {}, parent.error};
    return trash.trashItem({parent.parent.get(), parent.name, path, parent.realPath});
}

FailingTrash::FailingTrash(std::shared_ptr<Core::Trash> inner) : m_inner(std::move(inner))
{}

void FailingTrash::failPath(const QString& path, const QString& error, int errorCode)
{
    QMutexLocker lock(&m_mutex);
    m_failures.insert(standardizedPath(path), Result{false, error, {}, errorCode});
}

void FailingTrash::failEverything(const QString& error, int errorCode)
{
    QMutexLocker lock(&m_mutex);
    m_failEverything = Result{false, error, {}, errorCode};
}

Core::Trash::Result FailingTrash::trashItem(const Item& item)
{
    const QString& path = item.path;
    std::optional<Result> planned;
    {
        QMutexLocker lock(&m_mutex);
        m_attempted.append(path);
        const auto it = m_failures.constFind(standardizedPath(path));
        if (it != m_failures.constEnd())
            planned = it.value();
        else if (m_failEverything)
            planned = m_failEverything;
    }
    return planned ? *planned : m_inner->trashItem(item);
}

QStringList FailingTrash::attempted() const
{
    QMutexLocker lock(&m_mutex);
    return m_attempted;
}

RecordingTrash::RecordingTrash(std::shared_ptr<Core::Trash> inner) : m_inner(std::move(inner))
{}

Core::Trash::Result RecordingTrash::trashItem(const Item& item)
{
    const QString& path = item.path;
    const Result result =
        m_inner ? m_inner->trashItem(item)
                : Result{true,
                         {},
                         Core::PlatformLayout::current().trashFolder + QLatin1Char('/') + Core::lastPathComponent(path),
                         0};
    QMutexLocker lock(&m_mutex);
    m_requests.append(path);
    return result;
}

QStringList RecordingTrash::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

} // namespace Sweepora::Test
