#pragma once

#include <QString>
#include <QtGlobal>

namespace Sweepora::Core {

// Localized, case-insensitive comparison of display names (system locale; zh_CN when the
// system locale is C/POSIX). Negative, zero or positive. Safe to call from any thread.
int localizedCaseInsensitiveCompare(const QString& a, const QString& b);

// The shared order of result lists: larger size first, equal sizes by name ascending.
inline bool sizeThenNameBefore(qint64 sizeA, const QString& nameA, qint64 sizeB, const QString& nameB)
{
    if (sizeA != sizeB)
        return sizeA > sizeB;
    return localizedCaseInsensitiveCompare(nameA, nameB) < 0;
}

// The last component of a path ("/a/b.txt" gives "b.txt").
QString lastPathComponent(const QString& path);
// The folder that holds a path ("/a/b.txt" gives "/a"; "/a" gives "/").
QString parentPath(const QString& path);

} // namespace Sweepora::Core
