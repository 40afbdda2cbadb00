#pragma once

#include <QJsonValue>
#include <QString>
#include <optional>

namespace Sweepora::Core {

class JsonReader;

// The published version. The update check compares `buildNumber` only.
struct AppVersionInfo
{
    qint64 id = 0;
    QString version;
    qint64 buildNumber = 0;
    QString downloadURL;
    QString releaseNotes;
    qint64 forceUpdate = 0; // 1: mandatory
    std::optional<QString> minimumVersion;
    qint64 status = 0;
    QString createdAt;
    QString updatedAt;

    bool isForced() const { return forceUpdate == 1; }

    static bool read(JsonReader& reader, const QJsonValue& value, AppVersionInfo& out);
    friend bool operator==(const AppVersionInfo&, const AppVersionInfo&) = default;
};

// GET "/app/version/latest". No `data` (missing or null) means no version is published.
struct AppVersionEnvelope
{
    qint64 code = 0;
    QString message;
    std::optional<AppVersionInfo> data;

    static bool read(JsonReader& reader, const QJsonValue& value, AppVersionEnvelope& out);
};

} // namespace Sweepora::Core
