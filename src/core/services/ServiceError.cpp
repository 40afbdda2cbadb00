#include "core/services/ServiceError.h"

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
    // Qt's own texts are English: the interface speaks Chinese.
    switch (code) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("无法连接服务器：连接被拒绝。");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("服务器意外关闭了连接。");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("找不到服务器，请检查网络连接。");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("请求超时。");
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("请求已取消。");
    case QNetworkReply::SslHandshakeFailedError:
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("无法建立安全连接。");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
        return QStringLiteral("网络暂时不可用，请稍后重试。");
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("服务器的重定向过多。");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("无法通过代理服务器连接。");
    default:
        break;
    }
    return QStringLiteral("网络请求失败。");
}

QString ServiceError::localizedDescription() const
{
    return std::visit([](const auto& error) { return error.localizedDescription(); }, m_error);
}

} // namespace Sweepora::Core
