#pragma once

#include "core/rules/CleanupRule.h"
#include "core/rules/Decoded.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace Sweepora::Core {

// A cleanup rule as the service carries it: "App" and "Notice" may be missing or null,
// the other four keys are required as in a local rule.
struct RemoteRuleJSON
{
    std::optional<bool> app;
    QString name;
    QStringList paths;
    std::optional<qint64> notice;
    QString packName;
    QString description;

    static bool read(JsonReader& reader, const QJsonValue& value, RemoteRuleJSON& out);
    static Decoded<RemoteRuleJSON> fromJsonObject(const QJsonObject& object);
    static Decoded<RemoteRuleJSON> fromJson(const QByteArray& text);

    // "App" and "Notice" are written only when present.
    QJsonObject toJsonObject() const;

    // The local rule: a missing App becomes true, a missing Notice 0; the rest is copied.
    CleanupRule toCleanupRule() const;

    friend bool operator==(const RemoteRuleJSON&, const RemoteRuleJSON&) = default;
};

} // namespace Sweepora::Core
