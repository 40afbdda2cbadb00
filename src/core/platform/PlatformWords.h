#pragma once

#include <QString>

// The words that name the desktop Sweepora runs on: macOS's own where it runs there, plain ones
// on Linux, where "Mac" and "访达" would be wrong.
namespace Sweepora::Core::PlatformWords {

#ifdef Q_OS_MACOS
inline QString computer()
{
    return QStringLiteral("Mac");
}
inline QString fileManager()
{
    return QStringLiteral("访达");
}
#else
inline QString computer()
{
    return QStringLiteral("电脑");
}
inline QString fileManager()
{
    return QStringLiteral("文件管理器");
}
#endif

// "你的 Mac 暂时很干净" / "你的电脑暂时很干净"
inline QString cleanComputer()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("你的 Mac 暂时很干净");
#else
    return QStringLiteral("你的电脑暂时很干净");
#endif
}

// "在访达中显示" / "在文件管理器中显示"
inline QString showInFileManager()
{
    return QStringLiteral("在") + fileManager() + QStringLiteral("中显示");
}

} // namespace Sweepora::Core::PlatformWords
