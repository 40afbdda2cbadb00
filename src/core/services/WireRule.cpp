#include "services/WireRule.h"

#include "services/JsonReader.h"

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

bool JsonReader::readValue(const QJsonValue& value, RemoteRuleJSON& out)
{
    QJsonObject o;
    return readObject(value, o) && optional(o, "App"_L1, out.app) && require(o, "Name"_L1, out.name) &&
           require(o, "Paths"_L1, out.paths) && optional(o, "Notice"_L1, out.notice) &&
           require(o, "PackName"_L1, out.packName) && require(o, "Description"_L1, out.description);
}

} // namespace Sweepora::Core
