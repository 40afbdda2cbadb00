#include "scanners/ScannedFile.h"

#include "platform/Log.h"
#include "platform/PathBytes.h"
#include "platform/Sandbox.h"

#include <QHash>

#include <algorithm>
#include <utility>

#include <sys/stat.h>

namespace Sweepora::Core::ScannedFileCheck {
namespace {

bool statNoFollow(const QString& path, struct stat& st)
{
    if (!Sandbox::canRead(path))
        return false;
    return ::lstat(bytesFromPath(path).constData(), &st) == 0;
}

} // namespace

bool identify(ScannedFile& file)
{
    struct stat st;
    file.identified = statNoFollow(file.path, st);
    if (file.identified) {
        file.device = static_cast<quint64>(st.st_dev);
        file.inode = static_cast<quint64>(st.st_ino);
        file.logicalSize = static_cast<qint64>(st.st_size);
    }
    return file.identified;
}

bool isUnchanged(const ScannedFile& file, const FolderSizeOf& folderSizeOf)
{
    struct stat st;
    if (!file.identified || !statNoFollow(file.path, st))
        return false;
    const bool kindMatches = file.isDirectory ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode);
    if (!kindMatches || static_cast<quint64>(st.st_dev) != file.device || static_cast<quint64>(st.st_ino) != file.inode)
        return false;
    if (!file.isDirectory)
        return static_cast<qint64>(st.st_size) == file.logicalSize;
    return !folderSizeOf || folderSizeOf(file.path) == file.size;
}

TrashBatchResult moveUnchangedToTrash(const QList<ScannedFile>& files, const TrashBatchTexts& texts,
                                      const FolderSizeOf& folderSizeOf)
{
    QStringList paths;
    QHash<QString, const ScannedFile*> byPath;
    for (const ScannedFile& f : files) {
        paths.append(f.path);
        byPath.insert(f.path, &f);
    }
    QStringList changed;
    TrashBatchResult result = moveToTrash(paths, texts, [&](const QString& path) {
        const ScannedFile* f = byPath.value(path);
        if (f != nullptr && isUnchanged(*f, folderSizeOf))
            return true;
        // Logged here, in the order of the batch, like any refused move.
        Log::line(texts.logTag + QStringLiteral(" 移到废纸篓失败：") + path + QStringLiteral("，") + kChangedError);
        changed.append(path);
        return false;
    });
    // A changed item is a failure the user should hear of, not a silent pass.
    result.passedOver -= changed.size();
    for (const QString& path : std::as_const(changed))
        result.failed.append({path, kChangedError});
    QHash<QString, qsizetype> order;
    for (qsizetype i = 0; i < paths.size(); ++i)
        order.insert(paths[i], i);
    std::stable_sort(result.failed.begin(), result.failed.end(), [&](const TrashFailure& a, const TrashFailure& b) {
        return order.value(a.path) < order.value(b.path);
    });
    return result;
}

} // namespace Sweepora::Core::ScannedFileCheck
