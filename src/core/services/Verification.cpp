#include "core/services/Verification.h"

#include "core/util/JsonReader.h"

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

QString VerificationRequest::accountKey() const
{
    return m_channel == Channel::phone ? u"phone_number"_s : u"email_address"_s;
}

QJsonObject VerificationRequest::toJSON() const
{
    return QJsonObject{{accountKey(), m_account}};
}

bool VerificationResponse::read(JsonReader& reader, const QJsonValue& value, VerificationResponse& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.require(o, "code"_L1, out.code) &&
           reader.require(o, "message"_L1, out.message);
}

} // namespace Sweepora::Core
