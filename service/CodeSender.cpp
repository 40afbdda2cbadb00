#include "CodeSender.h"

#include "core/platform/Log.h"

namespace Sweepora::Service {

CodeSender::Outcome LogCodeSender::deliver(const Account& account, const QString& code)
{
    Core::Log::line(QStringLiteral("[Verification] 开发模式，验证码未真正发送：%1=%2 code=%3")
                        .arg(Account::fieldName(account.channel()), account.address(), code));
    return Outcome::sent;
}

} // namespace Sweepora::Service
