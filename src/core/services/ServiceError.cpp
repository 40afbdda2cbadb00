#include "services/ServiceError.h"

namespace Sweepora::Core {

QString HTTPUtilError::localizedDescription() const
{
    if (kind == Case::badResponse && message)
        return *message;
    return QStringLiteral("服务端返回 HTTP ") + QString::number(status);
}

DecodingError DecodingError::from(const JsonReadError& error)
{
    if (error.problem == JsonReadError::Problem::missingKey)
        return {Problem::missingKey, error.path, {}};
    return {Problem::wrongType, error.path, error.expected};
}

QString DecodingError::localizedDescription() const
{
    switch (problem) {
    case Problem::notJSON:
        return QStringLiteral("服务端返回的数据不是有效的 JSON（%1）").arg(detail);
    case Problem::missingKey:
        return QStringLiteral("服务端返回的数据缺少“%1”").arg(path);
    case Problem::wrongType:
        if (path.isEmpty())
            return QStringLiteral("服务端返回的数据不是%1").arg(detail);
        return QStringLiteral("服务端返回的数据中“%1”不是%2").arg(path, detail);
    }
    return {};
}

QString TransportError::localizedDescription() const
{
    // Qt reports both of our time limits as a cancelled operation; say what really happened.
    if (timedOut)
        return QStringLiteral("请求超时。");
    if (description.isEmpty())
        return QStringLiteral("网络请求失败。");
    return description;
}

QString ServiceError::localizedDescription() const
{
    return std::visit([](const auto& error) { return error.localizedDescription(); }, m_error);
}

} // namespace Sweepora::Core
