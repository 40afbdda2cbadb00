#pragma once

#include "core/services/WireRule.h"

#include <QList>

namespace Sweepora::Core {

class JsonReader;

// One published rule of the cloud rule list.
struct CloudTaskRule
{
    qint64 id = 0;
    RemoteRuleJSON ruleJSON;

    static bool read(JsonReader& reader, const QJsonValue& value, CloudTaskRule& out);
};

// GET "/tasks/rules". One malformed rule fails the whole list.
struct CloudTaskEnvelope
{
    qint64 code = 0;
    QString message;
    QList<CloudTaskRule> data;

    static bool read(JsonReader& reader, const QJsonValue& value, CloudTaskEnvelope& out);
};

} // namespace Sweepora::Core
