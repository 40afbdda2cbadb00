#pragma once

#include "core/scanners/MiscFileEngine.h"

#include <QString>

namespace Sweepora::Core {

// What the window and the command line say about each category of files found by name.
struct MiscFileTexts
{
    QString noun;           // "闲杂文件", "压缩包", "安装包"
    QString initialMessage; // "扫描闲杂文件", "扫描一个月以前的压缩包"
    QString readySubtitle;  // the placeholder's line before the first scan: what the scan looks for
    QString nothingFound;   // "没有发现闲杂文件", "没有发现一个月以前的压缩包"

    // The placeholder's title before the first scan: "扫描压缩包".
    QString readyTitle() const { return QStringLiteral("扫描") + noun; }
    // "正在扫描压缩包…"
    QString scanningMessage() const { return QStringLiteral("正在扫描") + noun + QStringLiteral("…"); }
    // "发现 {n} 个压缩包", or nothingFound for none.
    QString resultMessage(qsizetype count) const;
};

const MiscFileTexts& miscFileTexts(MiscFileCategory category);

} // namespace Sweepora::Core
