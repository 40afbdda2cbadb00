#include "core/scanners/MiscFileTexts.h"

namespace Sweepora::Core {

QString MiscFileTexts::resultMessage(qsizetype count) const
{
    return count > 0 ? QStringLiteral("发现 %1 个").arg(count) + noun : nothingFound;
}

const MiscFileTexts& miscFileTexts(MiscFileCategory category)
{
    static const MiscFileTexts miscellaneous{
        QStringLiteral("闲杂文件"), QStringLiteral("扫描闲杂文件"),
        QStringLiteral("查找名称中含有 log 或 cache 一词的日志与缓存文件，不含文档、代码与媒体文件"),
        QStringLiteral("没有发现闲杂文件")};
    static const MiscFileTexts archives{QStringLiteral("压缩包"), QStringLiteral("扫描一个月以前的压缩包"),
                                        QStringLiteral("查找一个月以前创建的压缩包"),
                                        QStringLiteral("没有发现一个月以前的压缩包")};
    static const MiscFileTexts installers{QStringLiteral("安装包"), QStringLiteral("扫描一个月以前的安装包"),
                                          QStringLiteral("查找一个月以前创建的安装包与磁盘镜像"),
                                          QStringLiteral("没有发现一个月以前的安装包")};
    switch (category) {
    case MiscFileCategory::archives:
        return archives;
    case MiscFileCategory::installers:
        return installers;
    case MiscFileCategory::miscellaneous:
        break;
    }
    return miscellaneous;
}

} // namespace Sweepora::Core
