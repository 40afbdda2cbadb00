#pragma once

#include <QJsonValue>
#include <QString>

namespace Sweepora::Core {

class JsonReader;

// The poem service's reply; only "hitokoto" is read.
struct HitokotoResponse
{
    QString hitokoto;

    static bool read(JsonReader& reader, const QJsonValue& value, HitokotoResponse& out);
};

} // namespace Sweepora::Core
