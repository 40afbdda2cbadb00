#include "core/access/BookmarkStore.h"

#include "core/platform/Settings.h"

#include <QSettings>
#include <QVariant>

namespace Sweepora::Core::BookmarkStore {

FolderGrants readFolders(const QSettings& defaults, bool* dropped)
{
    FolderGrants folders;
    const QVariantMap raw = defaults.value(Settings::kFolderBookmarks).toMap();
    for (auto it = raw.cbegin(); it != raw.cend(); ++it) {
        if (it.value().typeId() == QMetaType::QByteArray)
            folders.insert(it.key(), it.value().toByteArray());
        else if (dropped != nullptr)
            *dropped = true;
    }
    return folders;
}

void writeFolders(QSettings& defaults, const FolderGrants& folders)
{
    QVariantMap raw;
    for (auto it = folders.cbegin(); it != folders.cend(); ++it)
        raw.insert(it.key(), it.value());
    defaults.setValue(Settings::kFolderBookmarks, raw);
}

std::optional<QByteArray> readData(const QSettings& defaults, const QString& key)
{
    const QVariant value = defaults.value(key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

} // namespace Sweepora::Core::BookmarkStore
