#include "scanners/ItemIdentity.h"

#include "platform/Log.h"
#include "platform/PathBytes.h"
#include "platform/Trash.h"

#include <cerrno>
#include <sys/stat.h>

namespace Sweepora::Core {

std::optional<ItemIdentity> ItemIdentity::of(const QString& path)
{
    struct stat st;
    if (::lstat(bytesFromPath(path).constData(), &st) != 0)
        return std::nullopt;
    ItemIdentity id;
    id.device = static_cast<quint64>(st.st_dev);
    id.inode = static_cast<quint64>(st.st_ino);
    id.logicalSize = static_cast<qint64>(st.st_size);
    id.isDirectory = S_ISDIR(st.st_mode);
    return id;
}

Recheck recheckFile(const QString& path, const std::optional<ItemIdentity>& scanned)
{
    struct stat st;
    if (::lstat(bytesFromPath(path).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Recheck::fail(QStringLiteral("文件已不存在"));
        // Anything else (a name too long to stat by path, say): the Trash gives its own answer.
        return Recheck::move();
    }
    if (S_ISLNK(st.st_mode))
        return Recheck::fail(QStringLiteral("文件已变为符号链接"));
    if (!S_ISREG(st.st_mode))
        return Recheck::fail(QStringLiteral("文件已被其他项目替换"));
    if (!scanned)
        return Recheck::move();
    if (static_cast<quint64>(st.st_dev) != scanned->device || static_cast<quint64>(st.st_ino) != scanned->inode)
        return Recheck::fail(QStringLiteral("文件已被其他项目替换"));
    if (static_cast<qint64>(st.st_size) != scanned->logicalSize)
        return Recheck::fail(QStringLiteral("文件在扫描后已被修改"));
    return Recheck::move();
}

TrashBatchResult moveCheckedToTrash(const QStringList& paths, const TrashBatchTexts& texts,
                                    const std::function<Recheck(qsizetype index)>& check)
{
    TrashBatchResult result;
    Trash& trash = Trash::current();
    const auto logFailure = [&](const QString& path, const QString& error) {
        result.failed.append({path, error});
        Log::line(texts.logTag + QStringLiteral(" 移到废纸篓失败：") + path + QStringLiteral("，") + error);
    };
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        const Recheck recheck = check ? check(i) : Recheck::move();
        if (recheck.verdict == Recheck::Verdict::PassOver) {
            ++result.passedOver;
            continue;
        }
        if (recheck.verdict == Recheck::Verdict::Fail) {
            logFailure(path, recheck.error);
            continue;
        }
        const Trash::Result r = trash.trashItem(path);
        if (r.ok)
            result.moved.append(path);
        else
            logFailure(path, r.error);
    }
    const QString& shape = result.moved.size() == paths.size() ? texts.allMoved : texts.partial;
    result.message = QString(shape)
                         .replace(QLatin1String("{n}"), QString::number(result.moved.size()))
                         .replace(QLatin1String("{failed}"), QString::number(result.failed.size()));
    return result;
}

} // namespace Sweepora::Core
