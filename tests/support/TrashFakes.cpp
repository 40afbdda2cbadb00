#include "support/TrashFakes.h"

#include "platform/PlatformLayout.h"
#include "util/NameOrder.h"

#include <QMutexLocker>

namespace Sweepora::Test {

using Core::standardizedPath;

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

Core::Trash::Result FailingTrash::trashItem(const QString& path)
{
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
    const Result result = planned ? *planned : m_inner->trashItem(path);
    if (!result.ok) {
        QMutexLocker lock(&m_mutex);
        m_failed.append(path);
    }
    return result;
}

QStringList FailingTrash::attempted() const
{
    QMutexLocker lock(&m_mutex);
    return m_attempted;
}

QStringList FailingTrash::failed() const
{
    QMutexLocker lock(&m_mutex);
    return m_failed;
}

RecordingTrash::RecordingTrash(std::shared_ptr<Core::Trash> inner) : m_inner(std::move(inner))
{}

Core::Trash::Result RecordingTrash::trashItem(const QString& path)
{
    const Result result =
        m_inner ? m_inner->trashItem(path)
                : Result{true,
                         {},
                         Core::PlatformLayout::current().trashFolder + QLatin1Char('/') + Core::lastPathComponent(path),
                         0};
    QMutexLocker lock(&m_mutex);
    m_requests.append(path);
    m_results.append(result);
    return result;
}

QStringList RecordingTrash::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

QList<Core::Trash::Result> RecordingTrash::results() const
{
    QMutexLocker lock(&m_mutex);
    return m_results;
}

} // namespace Sweepora::Test
