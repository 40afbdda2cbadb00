#pragma once

#include "rules/CleanupRule.h"

#include <QJsonObject>
#include <QJsonValue>
#include <optional>

namespace Sweepora::Core {

class JsonReader;

// A cleanup rule as the service carries it: like the local format, except that "App" and
// "Notice" may be missing or null.
struct RemoteRuleJSON
{
    std::optional<bool> app;
    QString name;
    QStringList paths;
    std::optional<qint64> notice;
    QString packName;
    QString description;

    // Missing App reads as true, missing Notice as 0; the rest is copied.
    CleanupRule toCleanupRule() const;

    static bool read(JsonReader& reader, const QJsonValue& value, RemoteRuleJSON& out);
    friend bool operator==(const RemoteRuleJSON&, const RemoteRuleJSON&) = default;
};

// The local rule format as a JSON object: all six keys, always present. QJsonObject keeps its
// keys sorted, so the text comes out as "App", "Description", "Name", "Notice", "PackName", "Paths".
QJsonObject encodeRuleJSON(const CleanupRule& rule);

} // namespace Sweepora::Core
