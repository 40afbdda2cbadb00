#pragma once

#include "core/fs/WalkProgress.h"

#include "core/trash/ItemIdentity.h"
#include "core/trash/TrashBatch.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace Sweepora::Core {

class WalkVisitor;
struct WalkOptions;

// The three cleaners that share one scanner, in the order the sidebar lists them.
enum class MiscFileCategory { miscellaneous, archives, installers };

struct MiscFileItem
{
    QString path; // a file, or for an installer package in folder form, the folder
    qint64 size = 0;
    QDateTime creationDate; // the birth time; items without one are never listed
    bool selected = false;
    bool isDirectory = false;
    ItemIdentity identity; // what the clean checks again before it moves the item
};

// Finds files by name (and, for archives and installers, by age) in the home folder. Plain
// functions: no event loop, no access checks.
namespace MiscFileEngine {

// The command-line name: "misc", "archives", "installers".
QString commandName(MiscFileCategory category);

// The text after the last dot of a name, or empty; not lower-cased.
QString pathExtension(const QString& name);
// Whether a name (a last path component, as file-system bytes) belongs to the category.
// Decided from the name alone: the walk asks this before it spends a stat.
bool matchesName(MiscFileCategory category, std::string_view name);
bool matchesName(MiscFileCategory category, const QString& name);

// One calendar month before `now` (the month's end when the day does not exist: 31 March
// gives the last day of February). Empty when the calendar cannot produce it.
std::optional<QDateTime> cutoffFor(const QDateTime& now);

// The sum of the allocated (else logical) sizes of the regular, non-hidden files in a folder,
// not entering packages inside it.
qint64 packageFolderSize(const QString& folder);

struct Report
{
    QList<MiscFileItem> items; // sorted: larger first, equal sizes by name
};

// How the scan walks: hidden entries skipped, packages not entered.
WalkOptions walkOptions();

class FileCollector;

// findFiles in two steps, so that several scans can share one walk: the walk calls visitor(i)
// from its thread i only, and report() merges what the visitors kept once the walk is over.
class FileScan
{
public:
    FileScan(MiscFileCategory category, const std::optional<QDateTime>& cutoff, int threads);
    FileScan(FileScan&&) noexcept;
    ~FileScan();

    WalkVisitor* visitor(int thread);
    Report report();

private:
    MiscFileCategory m_category;
    std::vector<std::unique_ptr<FileCollector>> m_collectors;
};

// Walks `home` skipping hidden entries and package contents. For archives and installers,
// only items created before `cutoff` (strictly) are kept; without a cutoff, no age rule.
Report findFiles(const QString& home, MiscFileCategory category, const std::optional<QDateTime>& cutoff,
                 const std::shared_ptr<WalkProgress>& progress = {});
// The same, with the cutoff one calendar month before `now`.
Report findFilesAsOf(const QString& home, MiscFileCategory category, const QDateTime& now);

// Moves the items to the Trash one by one ("[MiscFileCleanup]" in the log), each only when it
// is still what the scan found.
TrashBatchResult moveToTrash(const QList<MiscFileItem>& items, MiscFileCategory category);

} // namespace MiscFileEngine
} // namespace Sweepora::Core
