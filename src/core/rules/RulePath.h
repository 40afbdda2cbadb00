#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace Sweepora::Core {

// An older per-path folder grant for a rule path, if one was stored: the granted folder.
using LegacyGrantLookup = std::function<std::optional<QString>(const QString& rulePath)>;
// Whether something exists at a path (following symbolic links, as an existence test does).
using PathExistsTest = std::function<bool(const QString& path)>;

// Where one rule path points, as a standardized absolute path, tried in this order:
//   "/…"                     the path itself;
//   "USERFOLDER/rest"        `home` + "/rest";
//   a legacy per-path grant  the granted folder;
//   "PUBLIC_DATA/id/tail…"   the first existing of the application's data folders (its container's
//                            caches when the tail starts with "Caches", its container's caches,
//                            application support and documents, then the shared application
//                            support folders), else the first of them;
//   anything else            nothing.
// No lookup means no legacy grants; no test means the real file system.
std::optional<QString> resolveRulePath(const QString& rulePath, const QString& home,
                                       const LegacyGrantLookup& legacyLookup = {}, const PathExistsTest& exists = {});

} // namespace Sweepora::Core
