#include "core/services/AppVersion.h"

#include "core/util/JsonReader.h"

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

bool AppVersionInfo::read(JsonReader& reader, const QJsonValue& value, AppVersionInfo& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.require(o, "id"_L1, out.id) &&
           reader.require(o, "version"_L1, out.version) && reader.require(o, "build_number"_L1, out.buildNumber) &&
           reader.require(o, "download_url"_L1, out.downloadURL) &&
           reader.require(o, "release_notes"_L1, out.releaseNotes) &&
           reader.require(o, "force_update"_L1, out.forceUpdate) &&
           reader.optional(o, "minimum_version"_L1, out.minimumVersion) && reader.require(o, "status"_L1, out.status) &&
           reader.require(o, "created_at"_L1, out.createdAt) && reader.require(o, "updated_at"_L1, out.updatedAt);
}

bool AppVersionEnvelope::read(JsonReader& reader, const QJsonValue& value, AppVersionEnvelope& out)
{
    QJsonObject o;
    return reader.readObject(value, o) && reader.require(o, "code"_L1, out.code) &&
           reader.require(o, "message"_L1, out.message) && reader.optional(o, "data"_L1, out.data);
}

} // namespace Sweepora::Core
