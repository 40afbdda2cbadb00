#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <optional>

class QSettings;

namespace Sweepora::Core {

// How the grants lie in the settings: the home bookmark under its own key, the folder
// bookmarks as one map from standardized folder path to bookmark.
namespace BookmarkStore {

using FolderGrants = QMap<QString, QByteArray>;

// Entries that are not bookmark data are left out and reported through `dropped`.
FolderGrants readFolders(const QSettings& defaults, bool* dropped = nullptr);
void writeFolders(QSettings& defaults, const FolderGrants& folders);
std::optional<QByteArray> readData(const QSettings& defaults, const QString& key);

} // namespace BookmarkStore
} // namespace Sweepora::Core
