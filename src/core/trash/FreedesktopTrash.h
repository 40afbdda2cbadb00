#pragma once

#include "core/fs/UniqueFd.h"
#include "core/trash/Trash.h"

#include <QByteArray>
#include <QDateTime>

#include <mutex>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace Sweepora::Core {

// The freedesktop.org Trash, built so that no failure loses, overwrites or copies a file: the
// info file is written in full under a temporary name and linked to its entry's name without
// replacing one, then the item is renamed without replacing anything, and an item on another
// mount goes to that mount's own trash or nowhere. A killed process never leaves a cut-off info
// file; settle() then flushes the file systems written to, once for many moves.
class FreedesktopTrash final : public Trash
{
public:
    // The home trash is "<dataHome>/Trash"; an empty `dataHome` means the platform layout's,
    // read at every call.
    explicit FreedesktopTrash(QString dataHome = {});

    Result trashItem(const Item& item) override;
    void settle() override;

    // The text of a .trashinfo file. `location` is the original path in file-system bytes:
    // absolute for the home trash, relative to the top directory for a volume's trash.
    static QByteArray trashInfo(const QByteArray& location, const QDateTime& deletionDate);

    // The name tried at the `attempt`-th try (0 first) for an item called `name`, at most
    // `maxLength` bytes: "name", "name.2", "name.3", …, later a random suffix.
    static QByteArray candidateName(const QByteArray& name, int attempt, int maxLength);
    static constexpr int kMaxAttempts = 256;

private:
    void noteUnsettled(int infoFolder);

    QString m_dataHome;
    std::mutex m_mutex;
    std::vector<std::pair<dev_t, UniqueFd>> m_unsettled; // an info folder per file system written to
};

} // namespace Sweepora::Core
