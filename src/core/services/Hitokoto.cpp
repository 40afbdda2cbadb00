#include "core/services/Hitokoto.h"

#include "core/util/JsonReader.h"

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

bool HitokotoResponse::read(JsonReader& reader, const QJsonValue& value, HitokotoResponse& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.require(o, "hitokoto"_L1, out.hitokoto);
}

} // namespace Sweepora::Core
