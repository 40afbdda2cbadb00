#include "scanners/TrashBatch.h"

#include "platform/Log.h"
#include "platform/Trash.h"

namespace Sweepora::Core {

TrashBatchResult moveToTrash(const QStringList& paths, const TrashBatchTexts& texts,
                             const std::function<bool(const QString&)>& shouldMove)
{
    TrashBatchResult result;
    Trash& trash = Trash::current();
    for (const QString& path : paths) {
        if (shouldMove && !shouldMove(path)) {
            ++result.passedOver;
            continue;
        }
        const Trash::Result r = trash.trashItem(path);
        if (r.ok) {
            result.moved.append(path);
        } else {
            result.failed.append({path, r.error});
            Log::line(texts.logTag + QStringLiteral(" 移到废纸篓失败：") + path + QStringLiteral("，") + r.error);
        }
    }
    const QString& shape = result.moved.size() == paths.size() ? texts.allMoved : texts.partial;
    result.message = QString(shape)
                         .replace(QLatin1String("{n}"), QString::number(result.moved.size()))
                         .replace(QLatin1String("{failed}"), QString::number(result.failed.size()));
    return result;
}

} // namespace Sweepora::Core
