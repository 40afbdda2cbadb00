#pragma once

#include "core/fs/WalkProgress.h"

#include "core/trash/ItemIdentity.h"
#include "core/trash/TrashBatch.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace Sweepora::Core {

struct FileSearchResult
{
    QString path;
    qint64 size = 0; // allocated size, else logical size, else 0
    bool selected = false;
    // The file the search found (none when it could not be stat'ed): a clean moves only that one.
    ItemIdentity identity;
    QDateTime creationDate{}; // the birth time; invalid where the file system keeps none

    friend bool operator==(const FileSearchResult&, const FileSearchResult&) = default;
};

// Finds the regular files of the home folder whose name contains a text, ignoring case.
// Plain functions: no event loop, no access checks.
namespace FileSearchEngine {

// The query trimmed of white space and line breaks.
QString trimmedQuery(const QString& query);

// Case-insensitive containment of the query in a file name (extension included): a
// contiguous run of characters, no wildcards. Names made only of ASCII are compared as bytes;
// any other name is decoded and compared as text, so both give QString::contains's answer.
class NameMatcher
{
public:
    explicit NameMatcher(const QString& query);
    bool matches(std::string_view name) const;
    bool matches(const QString& name) const;

private:
    QString m_query;
    std::string m_asciiLower; // the query lower-cased, when it is ASCII
    bool m_queryIsAscii = false;
};

struct Report
{
    QString query;                 // trimmed
    QList<FileSearchResult> items; // larger first, equal sizes by name
};

// Walks `home` skipping hidden entries and package contents; keeps regular files (never
// folders or symbolic links) whose name contains the trimmed query. Only the hits are stat'ed.
// A blank query finds nothing.
// A cancelled `progress` stops the walk early; the hits found so far come back.
Report search(const QString& home, const QString& query, const std::shared_ptr<WalkProgress>& progress = {});

// Moves the files in the order given ("[FileSearch]" in the log) and reports "已将 {n} 个文件移到废纸篓"
// or "已移动 {n} 个文件，部分文件处理失败". A file that changed since the search (gone, replaced,
// resized, now a symbolic link) stays and counts as failed.
TrashBatchResult moveToTrash(const QList<FileSearchResult>& files);

} // namespace FileSearchEngine
} // namespace Sweepora::Core
