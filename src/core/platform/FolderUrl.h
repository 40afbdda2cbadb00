#pragma once

#include <QString>

namespace Sweepora::Core {

// A folder or file location. As in a sandbox, a location carries access rights only when it
// came from the folder picker or from resolving a bookmark; only such a location can open a
// scope (see Bookmark and Sandbox).
class FolderUrl
{
public:
    FolderUrl() = default;
    explicit FolderUrl(const QString& path);

    const QString& path() const { return m_path; }
    bool isEmpty() const { return m_path.isEmpty(); }
    bool carriesAccessRights() const { return m_rights; }

    friend bool operator==(const FolderUrl&, const FolderUrl&) = default;

    // `path` with the rights of `granted`, when both name the very same folder (device and inode):
    // the one folder reached through another path. Otherwise a location without rights.
    static FolderUrl sameFolderAt(const FolderUrl& granted, const QString& path);
    // Whether both paths name the very same existing folder.
    static bool isSameFolder(const QString& a, const QString& b);

private:
    friend class FolderPicker;
    friend class Bookmark;
    static FolderUrl withAccessRights(const QString& path);

    QString m_path; // standardized
    bool m_rights = false;
};

} // namespace Sweepora::Core
